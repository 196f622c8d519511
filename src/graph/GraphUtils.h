#pragma once
// Stateless helpers over the platform's media graph: Running Object Table registration, pin
// lookup by direction, and disposal of media type records handed out by other filters.

#include <windows.h>
#include <dshow.h>

namespace sonotape {

// Enters the graph in the Running Object Table under "FilterGraph <address> pid <pid>" without
// keeping it alive; cookie receives the registration value for RevokeGraphFromRot.
HRESULT RegisterGraphInRot(IGraphBuilder* graph, DWORD* cookie);
HRESULT RevokeGraphFromRot(DWORD cookie);

// The index-th pin of the given direction (a negative index counts as 0), connected or not.
// The pin carries a reference for the caller; false and a null pin when there is none.
bool FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction, int index, IPin** pin);
bool FindInputPin(IBaseFilter* filter, IPin** pin, int index);
bool FindOutputPin(IBaseFilter* filter, IPin** pin, int index);

// Frees the format block (when cbFormat is not 0) and clears cbFormat and pbFormat; pUnk stays.
void FreeMediaTypeFormat(AM_MEDIA_TYPE& type);
// Frees the format block and the task-allocated record itself; null is allowed.
void DeleteMediaTypeRecord(AM_MEDIA_TYPE* type);

}  // namespace sonotape
