// URL decoding of texts that clients send percent-encoded.
#pragma once

// Decodes "%XX" sequences (two hex digits) in place; other characters,
// "+" included, and malformed sequences stay as they are. A decoded "%00"
// ends the text. The decoded length, or -1 for a null text.
int get_url_decode(char* text);
