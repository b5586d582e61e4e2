// Linked into the program in sanitizer builds only: libraries that SDL and the
// window system open at run time stay loaded to the end, so that a leak report
// can name the library that allocated, and the suppressions can match it.
extern "C" int dlclose(void*) { return 0; }
