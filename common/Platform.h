// common/: what every subsystem shares and nothing owns -- the host layer
// (Platform) and the little-endian field helpers (LittleEndian.h).
//
// Platform: the one place that knows which system the program runs on. The
// program speaks in Windows conventions (paths built with '\', shown that way
// in every message); this layer turns them into what the host understands.
// Its parts, each with a header of its own, gathered here:
//
//   Paths.h       host paths; opening inputs and plain outputs
//   OutputFile.h  outputs that appear whole or not at all
//   Folder.h      folders held open, for outputs that land nowhere else
//   Console.h     the standard streams, broken pipes, wildcard arguments
//
// Inside the layer, not for callers: HostFiles.h (the system's file calls),
// Interrupts.h (temporary files removed on an interrupt), NamelessFiles.h
// (files without a name) and FileWriter.h (OutputFile's writer). Code that
// differs by system stands in files of its own, named for it (*Posix.cpp,
// *Windows.cpp); the build takes the set for its target.
#pragma once

#include "common/Console.h"
#include "common/Folder.h"
#include "common/OutputFile.h"
#include "common/Paths.h"
