#include "app/command_line.h"

#include <cstddef>

namespace horvane {

namespace {

bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Below '!': space, tab and the control characters.
bool IsSeparator(char c) { return static_cast<unsigned char>(c) < static_cast<unsigned char>('!'); }

// Walks a line one character at a time, a double-byte character counting as one.
class CharCursor {
  public:
    explicit CharCursor(std::string_view line) : line_(line) {}

    bool AtEnd() const { return pos_ >= line_.size(); }
    // A lead byte with nothing after it: the line's last, incomplete character.
    bool AtLoneLeadByte() const { return pos_ + 1 == line_.size() && IsLeadByte(line_[pos_]); }
    // A single-byte character (the only kind that can be a quote or a separator).
    bool AtSingle(char c) const { return !AtEnd() && !IsLeadByte(line_[pos_]) && line_[pos_] == c; }
    bool AtSeparator() const {
        return !AtEnd() && !IsLeadByte(line_[pos_]) && IsSeparator(line_[pos_]);
    }

    // Moves past the current character; a lone lead byte at the end is dropped.
    void Skip() { pos_ += Width(); }
    // Appends the current character to `out` and moves past it.
    void Take(std::string& out) {
        std::size_t width = Width();
        if (!AtLoneLeadByte()) out.append(line_.substr(pos_, width));
        pos_ += width;
    }

  private:
    std::size_t Width() const {
        if (IsLeadByte(line_[pos_]) && pos_ + 1 < line_.size()) return 2;
        return 1;
    }

    std::string_view line_;
    std::size_t pos_ = 0;
};

void SkipProgramPath(CharCursor& cursor) {
    if (cursor.AtSingle('"')) {
        cursor.Skip();
        while (!cursor.AtEnd() && !cursor.AtSingle('"')) cursor.Skip();
        if (cursor.AtEnd()) return;  // no closing quote: the whole line was the program path
        cursor.Skip();
        if (cursor.AtSingle(' ')) cursor.Skip();
        return;
    }
    while (!cursor.AtEnd() && !cursor.AtSingle(' ')) cursor.Skip();
    if (!cursor.AtEnd()) cursor.Skip();
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> arguments;
    CharCursor cursor(commandLine);
    SkipProgramPath(cursor);
    while (!cursor.AtEnd()) {
        if (cursor.AtSeparator()) {
            cursor.Skip();
        } else if (cursor.AtSingle('"')) {
            cursor.Skip();
            std::string& argument = arguments.emplace_back();
            while (!cursor.AtEnd() && !cursor.AtSingle('"')) cursor.Take(argument);
            if (!cursor.AtEnd()) cursor.Skip();  // the closing quote
        } else if (cursor.AtLoneLeadByte()) {
            cursor.Skip();  // dropped: no argument starts with it
        } else {
            std::string& argument = arguments.emplace_back();
            while (!cursor.AtEnd() && !cursor.AtSeparator() && !cursor.AtSingle('"')) {
                cursor.Take(argument);
            }
        }
    }
    return arguments;
}

bool IsAutoModeCommandLine(std::string_view commandLine) {
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    return !arguments.empty() && arguments.front() == "auto";
}

}  // namespace horvane
