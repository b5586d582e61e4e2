/* The public header as a C99 compiler sees it. */
#include <barrage.h>

int32_t header_is_c99(void) { return barrage_version() == BARRAGE_API_VERSION ? BARRAGE_OK : BARRAGE_ERROR_ARGUMENT; }
