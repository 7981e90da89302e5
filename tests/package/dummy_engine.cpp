// Stands in for the engine library when the packaging is tested: only its bytes matter.
extern "C" __declspec(dllexport) int PackageTestEngineMarker() { return 7; }
