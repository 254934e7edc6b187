#pragma once

// The C library's allocator set for programs that open documents of many megabytes.
class AllocatorTuning
{
public:
    // Once, at the start of the program, before any thread is started.
    static void forLargeDocuments();
};
