// The stacks of formula text: the string stacks of the formula decoder and
// the stack of pending blank runs of the formula encoder.
#pragma once

#include <cstdint>
#include <vector>

#include "base/UXlsVariant.h"

namespace xls {

// Popping or peeking an empty stack fails with "String Stack is empty".
class TStringStack {
public:
    void Push(TXlsString s);
    TXlsString Pop();
    // The top aCount texts, lowest first, joined by aSeparator.
    TXlsString PopJoined(std::size_t aCount, char16_t aSeparator);
    const TXlsString& Peek() const;
    std::size_t Count() const { return FList.size(); }
    bool AtLeast(std::size_t ACount) const { return FList.size() >= ACount; }

private:
    std::vector<TXlsString> FList;
};

// A string stack that also holds the blanks or line breaks the last space
// attributes announced; every push uses them up.
class TFormulaStack : public TStringStack {
public:
    void Push(TXlsString s);

    TXlsString FmSpaces;      // in front of the next operand or operator
    TXlsString FmPreSpaces;   // in front of the next opening parenthesis
    TXlsString FmPostSpaces;  // in front of the next closing parenthesis
};

// A run of blanks in front of a token, with the kind of the space attribute
// (ptgAttr) that will carry it: 0 in front of an operand or operator, 2 in
// front of "(", 4 in front of ")".
struct TWhiteSpace {
    std::uint8_t Count = 0;
    std::uint8_t Kind = 0;
};

// Popping or peeking an empty stack is a logic error of its user.
class TWhiteSpaceStack {
public:
    void Push(TWhiteSpace aWs) { FList.push_back(aWs); }
    TWhiteSpace Pop();
    TWhiteSpace Peek() const;
    std::size_t Count() const { return FList.size(); }
    bool AtLeast(std::size_t ACount) const { return FList.size() >= ACount; }

private:
    std::vector<TWhiteSpace> FList;
};

}  // namespace xls
