// A stand-in for the viewer and the message box that records every call, so
// that tests see exactly what a listing run did and in which order. The
// allocation hook counts and can fail the reader's calloc calls.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Event {
    enum Kind { Clear, Line, Reset, Message } kind;
    std::string text;    // Line: the bytes sent, CR LF included; Message: the text
    std::string caption; // Message only
    unsigned style;      // Message only
};

extern std::vector<Event> Events;

// calloc calls made while recording: the largest request, and the ordinal
// (1-based) of a call that should fail (0: none).
extern size_t LargestCalloc;
extern int FailCallocNumber;
extern int CallocCount;

void StartRecording();
std::vector<Event> Messages();
std::string ViewerText(); // the concatenated lines
