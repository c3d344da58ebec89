int morlakeNotAPlugin () { return 0; } // a module without a VST entry point
