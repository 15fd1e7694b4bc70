// Example values of the API reference's request bodies where the lowest value
// each key allows (what the generator writes otherwise) is not a request the
// running system answers: an address, a name, a time, a list with one entry.
#pragma once

struct ApiExample {
    const char* code;  // "/2014"
    // For a JSON request, a JSON object whose keys replace or join the
    // generated example; for a decimal request, the number.
    const char* keys;
};

extern const ApiExample kApiExamples[];
extern const int kApiExampleCount;
