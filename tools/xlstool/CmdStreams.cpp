// xlstool streams FILE: the directory of a compound file, one line per entry.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "XlsToolCommands.h"
#include "cfb/UOle2Impl.h"

namespace xlstool {

namespace {

using namespace xls;

std::string TypeName(std::uint8_t type)
{
    switch (type) {
    case STGTY_INVALID: return "free";
    case STGTY_STORAGE: return "storage";
    case STGTY_STREAM: return "stream";
    case STGTY_ROOT: return "root";
    default: return "unknown(" + std::to_string(type) + ")";
    }
}

// The name as UTF-8 with backslash and control characters escaped
// ("\x05SummaryInformation").
std::string PrintableName(std::u16string_view name)
{
    std::string out;
    for (char c : Utf16ToUtf8(name)) {
        if (c == '\\') {
            out += "\\\\";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == '/') {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

// The path of every entry reachable from the root ("/", "/Workbook",
// "/Storage/Stream"); entries outside the tree get "?/name".
std::vector<std::string> EntryPaths(const std::vector<TOle2Directory>& dir)
{
    std::vector<std::string> paths(dir.size());
    std::vector<bool> seen(dir.size(), false);
    struct TVisit {
        std::uint32_t Sid;
        std::string Parent;
    };
    std::vector<TVisit> todo;
    if (!dir.empty()) {
        paths[0] = "/";
        seen[0] = true;
        todo.push_back({TOle2Directory::GetChildSid(dir[0].Data, 0), "/"});
    }
    while (!todo.empty()) {
        TVisit v = std::move(todo.back());
        todo.pop_back();
        if (v.Sid >= dir.size() || seen[v.Sid]) continue;  // damaged links end the walk, never loop
        seen[v.Sid] = true;
        const TBytes& d = dir[v.Sid].Data;
        paths[v.Sid] = v.Parent + PrintableName(dir[v.Sid].Name());
        todo.push_back({TOle2Directory::GetLeftSid(d, 0), v.Parent});
        todo.push_back({TOle2Directory::GetRightSid(d, 0), v.Parent});
        todo.push_back({TOle2Directory::GetChildSid(d, 0), paths[v.Sid] + "/"});
    }
    for (std::size_t i = 0; i < dir.size(); ++i)
        if (!seen[i]) paths[i] = "?/" + PrintableName(dir[i].Name());
    return paths;
}

}  // namespace

namespace {

int ListStreams(TArgs args)
{
    TFileStream in(args[0], TFileMode::OpenRead);
    TOle2File file(in);
    std::vector<TOle2Directory> dir = file.ReadDirectory();
    std::vector<std::string> paths = EntryPaths(dir);
    std::string out;
    for (std::size_t i = 0; i < dir.size(); ++i) {
        std::uint8_t type = dir[i].ObjType();
        if (type == STGTY_INVALID && dir[i].Name().empty()) continue;  // an unused slot
        out += std::to_string(i) + '\t' + TypeName(type) + '\t' + std::to_string(dir[i].xulSize()) + '\t' + paths[i] + '\n';
    }
    std::cout << out;
    return 0;
}

}  // namespace

int RunStreams(TArgs args)
{
    RequireArgCount(args, 1, 1);
    return OnFile(args[0], [&] { return ListStreams(args); });
}

}  // namespace xlstool
