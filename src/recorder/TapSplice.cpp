#include "recorder/TapSplice.h"

#include <new>

#include "baseclasses/BCMediaType.h"
#include "graph/GraphUtils.h"
#include "recorder/SampleFilter.h"

namespace sonotape {

namespace {

bool CarriesRecordableAudio(const AM_MEDIA_TYPE& type) {
  return type.majortype == MEDIATYPE_Audio &&
         (type.subtype == MEDIASUBTYPE_PCM || type.subtype == MEDIASUBTYPE_IEEE_FLOAT ||
          type.subtype == MEDIASUBTYPE_DOLBY_AC3_SPDIF);
}

// The filter's last output pin with recordable audio on its connection, when no input has any.
ComPtr<IPin> PcmOnlyOutput(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.GetAddressOf()))) {
    return nullptr;
  }
  bool audioIn = false;
  ComPtr<IPin> candidate;
  for (ComPtr<IPin> pin; pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    PIN_DIRECTION direction;
    AM_MEDIA_TYPE type{};
    if (FAILED(pin->QueryDirection(&direction)) || FAILED(pin->ConnectionMediaType(&type))) {
      continue;
    }
    if (CarriesRecordableAudio(type)) {
      audioIn |= direction == PINDIR_INPUT;
      if (direction == PINDIR_OUTPUT) {
        candidate = pin;
      }
    }
    FreeMediaType(type);
  }
  return audioIn ? nullptr : candidate;
}

FILTER_STATE StateOf(IMediaControl& control) {
  OAFilterState state = State_Running;
  control.GetState(5000, &state);
  return static_cast<FILTER_STATE>(state);
}

void RestoreState(IMediaControl& control, FILTER_STATE state) {
  if (state == State_Paused) {
    control.Pause();
  } else if (state == State_Running) {
    control.Run();
  }
}

}  // namespace

bool FindTapInGraph(IFilterGraph* graph, REFCLSID clsid, ComPtr<ISampleInterface>& sampleIntf) {
  sampleIntf.Reset();
  ComPtr<IEnumFilters> filters;
  if (graph == nullptr || FAILED(graph->EnumFilters(filters.GetAddressOf()))) {
    return false;
  }
  for (ComPtr<IBaseFilter> filter; filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    CLSID found{};
    if (SUCCEEDED(filter->GetClassID(&found)) && found == clsid &&
        SUCCEEDED(QueryInto(filter.Get(), IID_ISampleInterface, sampleIntf))) {
      return true;
    }
  }
  sampleIntf.Reset();
  return false;
}

ComPtr<IPin> FindPcmDecoderPin(IFilterGraph* graph) {
  ComPtr<IEnumFilters> filters;
  if (graph == nullptr || FAILED(graph->EnumFilters(filters.GetAddressOf()))) {
    return nullptr;
  }
  for (ComPtr<IBaseFilter> filter; filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    if (ComPtr<IPin> pin = PcmOnlyOutput(filter.Get())) {
      return pin;
    }
  }
  return nullptr;
}

bool InsertTap(IGraphBuilder* graph, IPin* decoderPin, IBaseFilter* tap) {
  ComPtr<IPin> downstream;
  ComPtr<IPin> tapIn;
  ComPtr<IPin> tapOut;
  if (FAILED(decoderPin->ConnectedTo(downstream.GetAddressOf())) || !FindInputPin(tap, tapIn.GetAddressOf(), 0) ||
      !FindOutputPin(tap, tapOut.GetAddressOf(), 0)) {
    return false;
  }
  if (SUCCEEDED(graph->Disconnect(downstream.Get())) && SUCCEEDED(graph->Disconnect(decoderPin)) &&
      SUCCEEDED(graph->ConnectDirect(decoderPin, tapIn.Get(), nullptr))) {
    if (SUCCEEDED(graph->ConnectDirect(tapOut.Get(), downstream.Get(), nullptr))) {
      return true;
    }
    graph->Disconnect(tapIn.Get());
    graph->Disconnect(decoderPin);
  }
  graph->ConnectDirect(decoderPin, downstream.Get(), nullptr);
  return false;
}

bool ConnectTap(IGraphBuilder* graph, TapConnection& tap, std::string& failure) {
  failure.clear();
  if (graph == nullptr) {
    return false;
  }
  if (FindTapInGraph(graph, CLSID_SampleFilter, tap.sampleIntf)) {
    return true;
  }
  tap.tapFilter.Reset();
  tap.sampleIntf.Reset();
  ComPtr<IPin> decoderPin = FindPcmDecoderPin(graph);
  if (!decoderPin) {
    failure = "Cannot find an audio decoder that delivers PCM output";
    return false;
  }
  ComPtr<IMediaControl> control;
  if (FAILED(QueryInto(graph, IID_IMediaControl, control))) {
    failure = "Cannot find MediaControl Interface";
    return false;
  }
  auto* created = new (std::nothrow) TSampleFilter();
  tap.tapFilter = static_cast<IBaseFilter*>(created);
  if (!tap.tapFilter || FAILED(graph->AddFilter(tap.tapFilter.Get(), L"Sonotape Dump"))) {
    tap.tapFilter.Reset();
    failure = "Adding the sample dumper to the filtergraph failed";
    return false;
  }
  const FILTER_STATE state = StateOf(*control.Get());
  if (state != State_Stopped) {
    control->Stop();
  }
  const bool inserted = InsertTap(graph, decoderPin.Get(), tap.tapFilter.Get());
  RestoreState(*control.Get(), state);
  if (inserted && SUCCEEDED(QueryInto(tap.tapFilter.Get(), IID_ISampleInterface, tap.sampleIntf))) {
    return true;
  }
  graph->RemoveFilter(tap.tapFilter.Get());
  tap.tapFilter.Reset();
  failure = "Inserting the sample dumper in the filtergraph failed";
  return false;
}

long SetHostVolume(IGraphBuilder* graph, long volume, bool* known) {
  long previous = -10000;
  bool read = false;
  ComPtr<IBasicAudio> audio;
  if (graph != nullptr && SUCCEEDED(QueryInto(graph, IID_IBasicAudio, audio))) {
    read = SUCCEEDED(audio->get_Volume(&previous));
    if (!read) {
      previous = -10000;
    }
    audio->put_Volume(volume);
  }
  if (known != nullptr) {
    *known = read;
  }
  return previous;
}

}  // namespace sonotape
