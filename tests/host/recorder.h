// Runs the reader with stand-ins for the viewer and the message box that
// write down every call, and a calloc wrap (programs link with
// --wrap=calloc) that measures and can fail the reader's allocations.
#pragma once

#include <cstddef>
#include <string>

// Every call of the last run in order: "[clear]", each line's bytes with its
// CR LF, "[reset]" and "[message STYLE] CAPTION: TEXT", STYLE in hex.
extern std::string Transcript;
extern std::string Calls;    // one letter a call: c, l (! past the limit), r, m
extern size_t LargestCalloc; // the largest block the last run asked for
extern int FailCallocNumber; // this call of the next run fails (1-based)
extern bool DescriptorLeftOpen; // by the last run

// ListExports on path, or on bytes in a temporary file; returns its result.
int ListPath(const char *path);
int ListBytes(const std::string &bytes);
