#pragma once

// The table of files compiled into the program. It is generated at build time
// (cmake/Resources.cmake) and read through EmbeddedImages; nothing else needs it.

struct EmbeddedResource
{
    const char* name; // the file name with every "." replaced by "_"
    const unsigned char* data;
    int size;
};

extern const EmbeddedResource embeddedResources[];
extern const int numEmbeddedResources;
