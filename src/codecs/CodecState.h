#pragma once
// One libvorbis or libogg state, owned: once set up, it is cleared by the library's own entry
// when it is reset or goes.

#include <utility>

namespace sonotape {

template <typename State, typename Clear>
class CodecState {
 public:
  CodecState() = default;
  ~CodecState() { Reset(); }
  CodecState(const CodecState&) = delete;
  CodecState& operator=(const CodecState&) = delete;

  State* Get() { return &state_; }
  // The state was set up: clear clears it.
  void Adopt(Clear clear) { clear_ = clear; }
  bool Ready() const { return clear_ != nullptr; }
  void Reset() {
    if (clear_ != nullptr) {
      std::exchange(clear_, nullptr)(&state_);
    }
    state_ = State{};
  }

 private:
  State state_{};
  Clear clear_ = nullptr;
};

}  // namespace sonotape
