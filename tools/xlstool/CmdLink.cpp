// xlstool link FILE SHEET CELLS TARGET [--description TEXT] [--tip TEXT]
// [--mark PLACE] [-o OUT]: puts a hyperlink on a cell or an area.
#include "SheetEdit.h"
#include "base/UXlsUnicode.h"

namespace xlstool {

namespace {

// "#Sheet2!A1" is a place in the workbook, "\\server\share\file" a network
// path, anything with a scheme ("https://", "mailto:") a URL, the rest a file.
xls::THyperLink LinkTo(const std::string& aTarget)
{
    xls::THyperLink link;
    if (aTarget.starts_with('#')) {
        link.LinkType = xls::THyperLinkType::hl_CurrentWorkbook;
        link.TextMark = xls::Utf8ToUtf16(aTarget.substr(1));
        return link;
    }
    if (aTarget.starts_with("\\\\"))
        link.LinkType = xls::THyperLinkType::hl_UNC;
    else if (aTarget.find("://") != std::string::npos || aTarget.starts_with("mailto:"))
        link.LinkType = xls::THyperLinkType::hl_URL;
    else
        link.LinkType = xls::THyperLinkType::hl_LocalFile;
    link.Text = xls::Utf8ToUtf16(aTarget);
    return link;
}

}  // namespace

int RunLink(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o", "--description", "--tip", "--mark"});
    RequireArgCount(parsed.Positional, 4, 4);
    const xls::TXlsCellRange cells = ParseRangeReference(parsed.Positional[2]);
    xls::THyperLink link = LinkTo(parsed.Positional[3]);
    link.Description = xls::Utf8ToUtf16(parsed.Value("--description"));
    link.Hint = xls::Utf8ToUtf16(parsed.Value("--tip"));
    if (parsed.Values.contains("--mark")) link.TextMark = xls::Utf8ToUtf16(parsed.Value("--mark"));
    return OnFile(parsed.Positional[0], [&] {
        TSheetEdit edit(parsed.Positional[0], parsed.Positional[1]);
        edit.File().AddHyperLink(cells, link);
        edit.Save(parsed.Value("-o"));
        return 0;
    });
}

}  // namespace xlstool
