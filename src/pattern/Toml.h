// toml++ as the pattern reader uses it: no exceptions (the same code builds
// for WebAssembly) and no formatters (it only reads).
#pragma once

#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>
