/* Export names in mixed case, and two names that differ only in case. */
__declspec(dllexport) int jsBindFunction(void) { return 1; }
__declspec(dllexport) int wkeGetVersionString(void) { return 2; }
__declspec(dllexport) int CASETWIN(void) { return 3; }
__declspec(dllexport) int caseTwin(void) { return 4; }
