#pragma once

// What the stand-in command interpreter (tools/standincmd) writes for one
// command, piece by piece, so that a test can tell every capture file from
// the others and see that nothing was lost, doubled, reordered or
// translated on the way: the command's own text, every byte value (line
// ends, end-of-file and zero among them), and a long run of a pattern of
// its own, longer than any pipe or stream buffer.
#include <string>
#include <vector>

inline std::vector<std::string> StandInOutputPieces(const std::wstring& command) {
    std::string name;
    unsigned seed = 0;
    for (wchar_t c : command) {
        name.push_back(static_cast<char>(c < 0x80 ? c : L'?'));
        seed = seed * 31 + static_cast<unsigned>(c);
    }
    std::vector<std::string> pieces;
    pieces.push_back("ran: " + name + "\r\n");
    std::string every(256, '\0');
    for (size_t i = 0; i < every.size(); ++i)
        every[i] = static_cast<char>(i);
    pieces.push_back(every);
    std::string run(70000, '\0');
    for (size_t i = 0; i < run.size(); ++i)
        run[i] = static_cast<char>((seed + i * 7) % 251);
    pieces.push_back(run);
    pieces.push_back("\r\nend: " + name);
    return pieces;
}

inline std::string StandInOutput(const std::wstring& command) {
    std::string all;
    for (const std::string& piece : StandInOutputPieces(command))
        all += piece;
    return all;
}

// What it writes to its standard error instead, which no capture keeps.
inline std::string StandInErrorOutput(const std::wstring& command) {
    return "error output of " + StandInOutputPieces(command).front();
}
