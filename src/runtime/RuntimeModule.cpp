// The WebAssembly module of the runtime has no main: its script calls the interface.

