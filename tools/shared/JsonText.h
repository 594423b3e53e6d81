// A text as a JSON string, for the helpers that answer tests in JSON lines.
#pragma once

#include "win/Utf8.h"

#include <cstdio>
#include <string>

inline std::string JsonText(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}
