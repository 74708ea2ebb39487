// The object kinds of the feature dump: hyperlinks (L), comments (K) and
// the drawing's counts (P), as the reference reader names them.
#include <algorithm>
#include <map>

#include "DumpText.h"
#include "Features.h"
#include "drawing/UXlsEscher.h"

namespace xlstool {

using namespace xls;

namespace {

std::string Bit(bool aValue) { return aValue ? "1" : "0"; }

std::string Area(const TXlsCellRange& r)
{
    const std::string first = A1Reference(std::uint32_t(r.Top), std::uint32_t(r.Left));
    if (r.Top == r.Bottom && r.Left == r.Right) return first;
    return first + ":" + A1Reference(std::uint32_t(r.Bottom), std::uint32_t(r.Right));
}

// The reference reader's kinds: a moniker without the absolute flag is a
// file, then a link with a place is a document, a mailto address an email,
// anything else a URL.
std::string LinkKind(std::uint16_t aFlags, const std::u16string& aAddress)
{
    if ((aFlags & 0x0001) && !(aFlags & 0x0002)) return "file";
    if (aFlags & 0x0008) return "document";
    if (aAddress.starts_with(u"mailto:")) return "email";
    return "url";
}

// A file link's path without its up-level part, a place, or the target.
std::u16string LinkAddress(const THLinkRecord& aRecord, const THyperLink& aLink)
{
    if (aLink.LinkType == THyperLinkType::hl_LocalFile) return aLink.Text.substr(3u * aRecord.FileUpLevels());
    if (aRecord.OptionFlags() & 0x0008) return aLink.TextMark;
    return aLink.Text;
}

// A sheet the reference reader gives a drawing patriarch.
const TWorkSheet* WithPatriarch(const TFeatureSheet& aSheet)
{
    const auto* ws = dynamic_cast<const TWorkSheet*>(&aSheet.Sheet);
    if (!ws || !ws->Drawing().HasTree() || DrawingGroupOf(aSheet.Workbook.Globals()).Empty()) return nullptr;
    return ws;
}

}  // namespace

void LinkLines(const TFeatureSheet& aSheet, std::string& aOut)
{
    const auto* ws = dynamic_cast<const TWorkSheet*>(&aSheet.Sheet);
    if (!ws) return;
    std::vector<const THLinkRecord*> links;
    for (std::size_t i = 0; i < ws->HLinks().Count(); ++i) links.push_back(ws->HLinks().Items(i));
    std::stable_sort(links.begin(), links.end(), [](const auto* a, const auto* b) {
        const TXlsCellRange ra = a->GetCellRange(), rb = b->GetCellRange();
        return ra.Top != rb.Top ? ra.Top < rb.Top : ra.Left < rb.Left;
    });
    for (const THLinkRecord* record : links) {
        const THyperLink link = record->GetProperties();
        const std::u16string address = LinkAddress(*record, link);
        aOut += "L\t" + aSheet.Name + "!" + Area(record->GetCellRange()) + "\t" +
                LinkKind(record->OptionFlags(), address) + "\t" + EscapeDumpText(address) + "\t" +
                EscapeDumpText(link.Description) + "\n";
    }
}

void CommentLines(const TFeatureSheet& aSheet, std::string& aOut)
{
    const TWorkSheet* ws = WithPatriarch(aSheet);
    if (!ws) return;
    // One line a cell, the later note winning, by row and column.
    std::map<std::pair<std::uint16_t, std::uint16_t>, const TNoteRecord*> notes;
    for (std::size_t r = 0; r < ws->Notes().Count(); ++r)
        for (std::size_t i = 0; i < ws->Notes().NoteRow(r)->Count(); ++i) {
            const TNoteRecord* note = ws->Notes().NoteRow(r)->Items(i);
            notes[{note->Row(), note->Column()}] = note;
        }
    for (const auto& [cell, note] : notes)
        aOut += "K\t" + aSheet.Name + "!" + A1Reference(cell.first, cell.second) + "\t" +
                EscapeDumpText(note->Author()) + "\t" + Bit(note->Visible()) + "\t" +
                EscapeDumpText(note->GetText(ws->Drawing()).Value) + "\n";
}

void DrawingLines(const TFeatureSheet& aSheet, std::string& aOut)
{
    const TWorkSheet* ws = WithPatriarch(aSheet);
    if (!ws) return;
    aOut += "P\t" + aSheet.Name + "\t" + std::to_string(ws->Drawing().PictureObjectCount()) + "\t" +
            std::to_string(ws->Drawing().ObjectCount()) + "\n";
}

}  // namespace xlstool
