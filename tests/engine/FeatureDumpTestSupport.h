// Comparing feature dumps (W, N and F lines) with the dumps an independent
// reader (Apache POI) made of the same files: lines are matched by key, and
// formula texts compare after normalisation (blanks dropped, quotes around
// sheet names, case of functions and references, numbers by value, areas
// over whole rows or columns in their short form). Where this engine writes
// a text its format prescribes and the other reader writes another, a named
// rule maps one onto the other; the comparison says which rules it needed.
#pragma once

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace featuretest {

inline std::string ReadText(const std::filesystem::path& aPath)
{
    std::ifstream in(aPath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TFeatureLine {
    std::string Kind;
    std::string Key;      // W: the key; N: scope and name; F: the cell
    std::string Value;    // the fields after the key
    std::string Formula;  // N, F: the formula text
    std::string Text;     // the whole line
};

// A dump field as written: "\\", "\t", "\n", "\r" and "\xHH" escapes.
inline std::string Unescaped(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char n = s[++i];
        if (n == 'x' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        }
    }
    return out;
}

// The lines of the kinds asked for, from a dump; W pictures is left out
// (it belongs to the drawing kinds). Formula texts are unescaped.
inline std::vector<TFeatureLine> FeatureLines(const std::string& aDump, const std::string& aKinds)
{
    std::vector<TFeatureLine> lines;
    std::istringstream in(aDump);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            f.push_back(line.substr(start, tab - start));
        f.push_back(line.substr(start));
        if (f.empty() || f[0].size() != 1 || aKinds.find(f[0]) == std::string::npos) continue;
        TFeatureLine l{f[0], "", "", "", line};
        if (f[0] == "W" && f.size() >= 3 && f[1] != "pictures") {
            l.Key = f[1];
            l.Value = f[2];
        } else if (f[0] == "N" && f.size() >= 5) {
            l.Key = f[1] + "\t" + f[2];
            l.Value = f[3];
            l.Formula = Unescaped(f[4]);
        } else if (f[0] == "F" && f.size() >= 3) {
            l.Key = f[1];
            l.Formula = Unescaped(f[2]);
        } else {
            continue;
        }
        lines.push_back(l);
    }
    return lines;
}

// ------------------------------------------------------------ normalisation

inline bool IsNameChar(unsigned char c)
{
    return std::isalnum(c) || c == '_' || c == '.' || c == '\\' || c == '?' || c == '$' || c >= 0x80;
}

struct TFormulaToken {
    char Kind;  // s string, q quoted name or [book], n number, e error, i identifier, o other
    std::string Text;
    bool operator==(const TFormulaToken&) const = default;
};

// The end of the literal that opens at aText[i] == q ("" or '' inside).
inline std::size_t QuotedEnd(const std::string& aText, std::size_t i, char q)
{
    for (std::size_t j = i + 1; j < aText.size(); ++j) {
        if (aText[j] != q) continue;
        if (j + 1 < aText.size() && aText[j + 1] == q) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return aText.size();
}

inline std::vector<TFormulaToken> FormulaTokens(const std::string& aText)
{
    static const std::regex number(R"((?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)");
    static const std::regex error(R"(#(?:NULL!|DIV/0!|VALUE!|REF!|NAME\?|NUM!|N/A|GETTING_DATA))", std::regex::icase);
    std::vector<TFormulaToken> out;
    for (std::size_t i = 0; i < aText.size();) {
        const char c = aText[i];
        std::smatch m;
        const std::string rest = aText.substr(i);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '"' || c == '\'') {
            const std::size_t j = QuotedEnd(aText, i, c);
            out.push_back({c == '"' ? 's' : 'q', aText.substr(i, j - i)});
            i = j;
        } else if (c == '[') {
            const std::size_t j = std::min(aText.size(), aText.find(']', i) + 1);
            out.push_back({'q', aText.substr(i, j - i)});
            i = j;
        } else if (c == '#' && std::regex_search(rest, m, error, std::regex_constants::match_continuous)) {
            std::string e = m.str();
            for (char& ch : e) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            out.push_back({'e', e});
            i += m.length();
        } else if ((std::isdigit(static_cast<unsigned char>(c)) ||
                    (c == '.' && i + 1 < aText.size() && std::isdigit(static_cast<unsigned char>(aText[i + 1])))) &&
                   std::regex_search(rest, m, number, std::regex_constants::match_continuous)) {
            out.push_back({'n', m.str()});
            i += m.length();
        } else if (IsNameChar(static_cast<unsigned char>(c))) {
            std::size_t j = i + 1;
            while (j < aText.size() && IsNameChar(static_cast<unsigned char>(aText[j]))) ++j;
            out.push_back({'i', aText.substr(i, j - i)});
            i = j;
        } else {
            out.push_back({'o', std::string(1, c)});
            ++i;
        }
    }
    return out;
}

inline std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// 'Data'!A1 is Data!A1: a quoted sheet part in front of "!" becomes its plain
// parts ([book], then sheet names joined by ":").
inline std::vector<TFormulaToken> SheetPartsUnquoted(const std::vector<TFormulaToken>& aTokens)
{
    std::vector<TFormulaToken> out;
    for (std::size_t k = 0; k < aTokens.size(); ++k) {
        const TFormulaToken& t = aTokens[k];
        const bool beforeBang = k + 1 < aTokens.size() && aTokens[k + 1].Text == "!";
        if (t.Kind != 'q' || t.Text[0] != '\'' || !beforeBang) {
            out.push_back(t);
            continue;
        }
        std::string inner = t.Text.substr(1, t.Text.size() >= 2 ? t.Text.size() - 2 : 0);
        for (std::size_t p; (p = inner.find("''")) != std::string::npos;) inner.erase(p, 1);
        if (inner.starts_with('[')) {
            const std::size_t j = std::min(inner.size(), inner.find(']') + 1);
            out.push_back({'q', inner.substr(0, j)});
            inner = inner.substr(j);
        }
        std::size_t start = 0;
        for (std::size_t colon; (colon = inner.find(':', start)) != std::string::npos; start = colon + 1) {
            out.push_back({'i', inner.substr(start, colon - start)});
            out.push_back({'o', ":"});
        }
        out.push_back({'i', inner.substr(start)});
    }
    return out;
}

// $A$1:$C$65536 is the column area $A:$C, $A$1:$IV$5 the row area $1:$5.
inline void WholeLines(std::vector<TFormulaToken>& t)
{
    static const std::regex cell(R"((\$?)([A-Za-z]{1,3})(\$?)(\d+))");
    for (std::size_t k = 0; k + 2 < t.size(); ++k) {
        std::smatch a, b;
        if (t[k].Kind != 'i' || t[k + 1].Text != ":" || t[k + 2].Kind != 'i') continue;
        if (!std::regex_match(t[k].Text, a, cell) || !std::regex_match(t[k + 2].Text, b, cell)) continue;
        if (a[4] == "1" && b[4] == "65536") {
            t[k].Text = a.str(1) + a.str(2);
            t[k + 2].Text = b.str(1) + b.str(2);
        } else if (Upper(a.str(2)) == "A" && Upper(b.str(2)) == "IV") {
            t[k].Text = a.str(3) + a.str(4);
            t[k + 2].Text = b.str(3) + b.str(4);
        }
    }
}

// The text compared: aDigits significant digits for numbers (17 tells every
// double apart).
inline std::string NormalisedFormula(const std::string& aFormula, int aDigits = 17)
{
    if (aFormula == "?") return aFormula;
    static const std::regex cellRef(R"(\$?[A-Za-z]{1,3}\$?\d+)");
    static const std::regex lineRef(R"(\$?[A-Za-z]{1,3}|\$?\d+)");
    std::vector<TFormulaToken> t = SheetPartsUnquoted(FormulaTokens(aFormula));
    WholeLines(t);
    std::string out;
    for (std::size_t k = 0; k < t.size(); ++k) {
        std::string s = t[k].Text;
        const std::string next = k + 1 < t.size() ? t[k + 1].Text : "";
        const std::string prev = k > 0 ? t[k - 1].Text : "";
        if (t[k].Kind == 'n') {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.*g", aDigits, std::strtod(s.c_str(), nullptr));
            s = buf;
        } else if (t[k].Kind == 'i' && next != "!") {
            const bool line = std::regex_match(s, lineRef) && (prev == ":" || next == ":");
            if (next == "(" || std::regex_match(s, cellRef) || line || Upper(s) == "TRUE" || Upper(s) == "FALSE")
                s = Upper(s);
        }
        out += t[k].Kind + s + '\x1F';
    }
    return out;
}

// -------------------------------------------------------------- comparison

// A way the other reader's text differs from the one this engine writes.
struct TKnownDifference {
    const char* Name;
    // Maps this engine's text (Ours) or the other reader's (Theirs) onto the other form.
    std::function<std::string(const std::string&)> Ours;
    std::function<std::string(const std::string&)> Theirs;
    int Digits = 17;
};

inline std::string Identity(const std::string& s) { return s; }

inline std::string RegexReplace(const std::string& s, const std::regex& re, const std::string& fmt)
{
    return std::regex_replace(s, re, fmt);
}

// The differences between this engine's formula texts and POI's.
inline const std::vector<TKnownDifference>& KnownDifferences()
{
    static const std::vector<TKnownDifference> kRules = {
        // An array formula is written in braces: ={=A1:A3*2}; POI: =A1:A3*2.
        {"array formulas in braces",
         [](const std::string& s) { return s.starts_with("={") && s.ends_with("}") ? s.substr(2, s.size() - 3) : s; },
         Identity},
        // A deleted reference is #REF!; POI keeps a sheet part: #REF!#REF!, 'Book]S'!#REF!.
        {"deleted references without their sheet", Identity,
         [](const std::string& s) {
             static const std::regex re(R"((?:'(?:[^']|'')*'|#REF!)!?#REF!)");
             return RegexReplace(s, re, "#REF!");
         }},
        // Another book's path with its file in brackets: '\\srv\dir\[Book.xls]S'!;
        // POI: '[//srv/dir/Book.xls]S'!.
        {"paths of other books",
         [](const std::string& s) {
             static const std::regex re(R"('([^'\[]*)\[([^\]]*)\])");
             std::string r = RegexReplace(s, re, "'[$1$2]");
             for (char& c : r)
                 if (c == '\\') c = '/';
             return r;
         },
         Identity},
        // Numbers in their shortest exact form (0.28400000000000003); POI: 15 digits (0.284).
        {"numbers to 15 digits", Identity, Identity, 15},
        // Whole columns in names with "$" ('Sheet3'!$A$1:$A$65536); POI: Sheet3!A:A.
        {"whole columns without $",
         [](const std::string& s) {
             static const std::regex re(R"(\$([A-Z]{1,3})\$1:\$([A-Z]{1,3})\$65536)");
             return RegexReplace(s, re, "$1:$2");
         },
         Identity},
        // A sheet range is quoted as one: 'Daten 2:Daten3'!; POI: 'Daten 2':Daten3!.
        {"sheet ranges quoted as one", Identity,
         [](const std::string& s) {
             static const std::regex re(R"('((?:[^']|'')*)':([^'!:(),]+)!)");
             return RegexReplace(s, re, "'$1:$2'!");
         }},
        // A name is written as its text; POI puts the sheet before a local one: Sheet1!LocalRange.
        {"names without their sheet", Identity,
         [](const std::string& s) {
             // A sheet part before a name, not before a cell reference.
             static const std::regex re(
                 R"((^=|[,(:+\-*/&^ ])(?:'(?:[^']|'')*'|[A-Za-z0-9_]+)!(?![A-Za-z]{1,3}\d+(?:[,)]|$))([A-Za-z_][A-Za-z0-9_.]*)(?=[,)]|$))");
             return RegexReplace(s, re, "$1$2");
         }},
    };
    return kRules;
}

struct TFeatureComparison {
    std::vector<std::string> Problems;     // lines that differ beyond the known differences
    std::map<std::string, int> RuleUses;  // how many lines each known difference explained
    int Skipped = 0;                       // lines the other reader could not give ("?")
    int Equal = 0;
};

// Compares the N and F (and W) lines of ours with theirs, key by key.
inline TFeatureComparison CompareFeatures(const std::vector<TFeatureLine>& aTheirs, const std::vector<TFeatureLine>& aOurs)
{
    TFeatureComparison c;
    std::map<std::string, std::vector<const TFeatureLine*>> ours;
    for (const auto& l : aOurs) ours[l.Kind + "\t" + l.Key].push_back(&l);
    std::map<std::string, std::size_t> used;
    for (const auto& theirs : aTheirs) {
        const std::string key = theirs.Kind + "\t" + theirs.Key;
        const std::size_t occurrence = used[key]++;
        if (!ours.contains(key) || ours[key].size() <= occurrence) {
            c.Problems.push_back("missing: " + theirs.Text);
            continue;
        }
        const TFeatureLine& mine = *ours[key][occurrence];
        if (theirs.Formula == "?") {
            ++c.Skipped;
            continue;
        }
        if (mine.Value != theirs.Value) {
            c.Problems.push_back("differ: " + theirs.Text + "\n    vs: " + mine.Text);
            continue;
        }
        std::string a = mine.Formula, b = theirs.Formula;
        if (NormalisedFormula(a) == NormalisedFormula(b)) {
            ++c.Equal;
            continue;
        }
        // The known differences, one after another, until the texts agree.
        bool explained = false;
        int digits = 17;
        std::vector<std::string> applied;
        for (const auto& rule : KnownDifferences()) {
            const std::string a2 = rule.Ours(a), b2 = rule.Theirs(b);
            const int d2 = std::min(digits, rule.Digits);
            if (a2 == a && b2 == b && d2 == digits) continue;
            a = a2;
            b = b2;
            digits = d2;
            applied.push_back(rule.Name);
            if (NormalisedFormula(a, digits) == NormalisedFormula(b, digits)) {
                explained = true;
                break;
            }
        }
        if (explained) {
            for (const auto& name : applied) ++c.RuleUses[name];
        } else {
            c.Problems.push_back("differ: " + theirs.Text + "\n    vs: " + mine.Text);
        }
    }
    for (const auto& [key, lines] : ours)
        for (std::size_t i = used[key]; i < lines.size(); ++i) c.Problems.push_back("extra: " + lines[i]->Text);
    return c;
}

}  // namespace featuretest
