#pragma once
// Places the audio tap into the host's graph behind the decoder that puts out PCM, or finds
// the tap an earlier splice left there; and sets the host graph's volume. Window thread only.

#include <windows.h>
#include <dshow.h>

#include <string>

#include "graph/ComPtr.h"
#include "recorder/SampleInterface.h"

namespace sonotape {

// The tap as the recorder holds it.
struct TapConnection {
  ComPtr<IBaseFilter> tapFilter;  // set when this splice inserted the tap
  ComPtr<ISampleInterface> sampleIntf;
};

// Connects tap into graph; false with the text to show in failure (empty without a graph).
// A failed splice leaves no new tap behind and the decoder connected as before; the graph's
// run state is restored in every case.
bool ConnectTap(IGraphBuilder* graph, TapConnection& tap, std::string& failure);
bool FindTapInGraph(IFilterGraph* graph, REFCLSID clsid, ComPtr<ISampleInterface>& sampleIntf);
// The PCM output pin of the first filter that puts out PCM on a connection but takes none in.
ComPtr<IPin> FindPcmDecoderPin(IFilterGraph* graph);
// Reconnects decoderPin -> tap -> its former peer; on failure the former connection again.
bool InsertTap(IGraphBuilder* graph, IPin* decoderPin, IBaseFilter* tap);
// Sets the volume in hundredths of a decibel; the previous one, -10000 when unknown. known, when
// given, says whether the graph had a volume to read.
long SetHostVolume(IGraphBuilder* graph, long volume, bool* known = nullptr);

}  // namespace sonotape
