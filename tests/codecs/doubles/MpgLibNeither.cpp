// A library named MPGLib.DLL with neither generation's entries.
extern "C" __declspec(dllexport) int __cdecl SomethingElse() { return 0; }
