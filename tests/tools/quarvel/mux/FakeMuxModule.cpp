// A stand-in for libquarvel_mux built only for the loader's tests: it answers
// the version query with an interface version quarvel does not speak, or,
// built with FAKE_MUX_NO_OPEN, lacks an entry point.
#include "tools/quarvel/mux/MuxApi.h"

extern "C" __attribute__((visibility("default"))) int quarvel_mux_version(void) {
#ifdef FAKE_MUX_NO_OPEN
    return QUARVEL_MUX_API_VERSION;
#else
    return 99;
#endif
}
