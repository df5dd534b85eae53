// A DLL that needs the support library only through another DLL: the
// loader's message names the one missing at the end of the chain.
extern "C" __declspec(dllimport) int needsSupportLibrary();
extern "C" __declspec(dllexport) int needsDependent() { return needsSupportLibrary(); }
