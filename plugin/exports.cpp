// The entry points the host calls. Only these are visible outside the library; they forward to
// the plugin's functions and never let anything escape.
#include "namefold.h"
#include "platform/platform.h"
#include "plugin/catalogue.h"
#include "plugin/values.h"

#ifdef _WIN32
#include <windows.h>
#define NAMEFOLD_EXPORT  // exported under undecorated names by namefold.def
#else
#define NAMEFOLD_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

#ifdef _WIN32
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) namefold::platform::SetModuleHandle(instance);
  return TRUE;
}
#endif

NAMEFOLD_EXPORT int NAMEFOLD_CALL ContentGetSupportedField(int FieldIndex, char* FieldName,
                                                           char* Units, int maxlen) {
  return namefold::GetSupportedField(FieldIndex, FieldName, Units, maxlen);
}

NAMEFOLD_EXPORT int NAMEFOLD_CALL ContentGetDetectString(char* DetectString, int maxlen) {
  if (DetectString != nullptr && maxlen >= 1) DetectString[0] = 0;
  return 0;
}

NAMEFOLD_EXPORT int NAMEFOLD_CALL ContentGetDefaultSortOrder(int FieldIndex) {
  return namefold::GetDefaultSortOrder(FieldIndex);
}

NAMEFOLD_EXPORT void NAMEFOLD_CALL ContentSetDefaultParams(void*) {}

NAMEFOLD_EXPORT int NAMEFOLD_CALL ContentGetValue(const char* FileName, int FieldIndex, int,
                                                  void* FieldValue, int maxlen, int) {
  return namefold::GetValue(FileName, FieldIndex, FieldValue, maxlen);
}

NAMEFOLD_EXPORT int NAMEFOLD_CALL ContentGetValueW(const NamefoldUnit* FileName, int FieldIndex,
                                                   int, void* FieldValue, int maxlen, int) {
  static_assert(sizeof(NamefoldUnit) == sizeof(namefold::Unit));
  return namefold::GetValueW(reinterpret_cast<const namefold::Unit*>(FileName), FieldIndex,
                             FieldValue, maxlen);
}

}  // extern "C"
