// Entry routine of chart.dll: success for every notification, nothing else.
extern "C" int __stdcall DllMain(void*, unsigned long, void*) { return 1; }
