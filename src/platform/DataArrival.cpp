#include "platform/DataArrival.h"

#ifdef __EMSCRIPTEN__
// From the page's script library (web/library.js).
extern "C" int pageDataArrived(const char* fileName);

bool dataFileArrived(const char* fileName) {
    return pageDataArrived(fileName) != 0;
}
#else
bool dataFileArrived(const char*) {
    return true;
}
#endif
