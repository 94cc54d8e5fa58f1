// The precompiled header of the test programs is built with this target; it has no code of its own.
