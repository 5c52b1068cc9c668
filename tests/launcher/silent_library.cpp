// A library without a ShowWizard export: the launcher must load and free it without a word.
// The launcher tests also plant it under another name to see that it is not found.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, void*)
{
    return TRUE;
}
