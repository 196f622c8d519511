#include "player/FileReader.h"

#include <new>

#include "codecs/FlacDll.h"
#include "codecs/MpgLib.h"
#include "codecs/VorbisFileDll.h"
#include "player/FlacReader.h"
#include "player/Mp3Reader.h"
#include "player/OggReader.h"
#include "player/WavReader.h"

namespace sonotape {

std::unique_ptr<FileReader> CreateFileReader(FileType type) {
  switch (type) {
    case ftWav:
      return std::unique_ptr<FileReader>(new (std::nothrow) WavReader());
    case ftMp3:
      return std::unique_ptr<FileReader>(new (std::nothrow) Mp3Reader(MpgLib()));
    case ftOgg:
      return std::unique_ptr<FileReader>(new (std::nothrow) OggReader(VorbisFile()));
    case ftFlac:
      return std::unique_ptr<FileReader>(new (std::nothrow) FlacReader(FlacLibrary()));
  }
  return nullptr;
}

}  // namespace sonotape
