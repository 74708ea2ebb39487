// Escher record trees built byte by byte for the drawing tests: atoms,
// containers, the atoms the engine reads, and a sheet drawing cut into
// MSODRAWING records around its shapes' client records, as writers do.
#pragma once

#include <functional>

#include "WorkbookTestSupport.h"
#include "drawing/UEscherRecords.h"
#include "drawing/UXlsMD5.h"

namespace eschertest {

using namespace booktest;

inline TBytes EscherHeader(std::uint16_t aPre, std::uint16_t aId, std::uint32_t aSize)
{
    TBytes d;
    AppendWord(d, aPre);
    AppendWord(d, aId);
    AppendCardinal(d, aSize);
    return d;
}

inline TBytes Atom(std::uint16_t aPre, std::uint16_t aId, const TBytes& aData)
{
    return Cat({EscherHeader(aPre, aId, static_cast<std::uint32_t>(aData.size())), aData});
}

inline TBytes Container(std::uint16_t aId, const std::vector<TBytes>& aChildren, std::uint16_t aInstance = 0)
{
    TBytes body;
    for (const TBytes& c : aChildren) body.insert(body.end(), c.begin(), c.end());
    return Cat({EscherHeader(static_cast<std::uint16_t>((aInstance << 4) | 0xF), aId,
                             static_cast<std::uint32_t>(body.size())),
                body});
}

// Dgg: spidMax, cidcl, cspSaved, cdgSaved, then (drawing, used) clusters.
inline TBytes DggAtom(std::uint32_t aSpidMax, std::uint32_t aCspSaved, std::uint32_t aCdgSaved,
                      const std::vector<std::pair<std::uint32_t, std::uint32_t>>& aClusters)
{
    TBytes d;
    AppendCardinal(d, aSpidMax);
    AppendCardinal(d, static_cast<std::uint32_t>(aClusters.size() + 1));
    AppendCardinal(d, aCspSaved);
    AppendCardinal(d, aCdgSaved);
    for (const auto& [dg, used] : aClusters) {
        AppendCardinal(d, dg);
        AppendCardinal(d, used);
    }
    return Atom(0, xls::msofbtDgg, d);
}

inline TBytes DgAtom(std::uint16_t aDgId, std::uint32_t aCsp, std::uint32_t aSpidCur)
{
    TBytes d;
    AppendCardinal(d, aCsp);
    AppendCardinal(d, aSpidCur);
    return Atom(static_cast<std::uint16_t>(aDgId << 4), xls::msofbtDg, d);
}

inline TBytes SpAtom(std::uint32_t aSpid, std::uint16_t aPre = 0x04B2, std::uint32_t aFlags = 0x0A00)
{
    TBytes d;
    AppendCardinal(d, aSpid);
    AppendCardinal(d, aFlags);
    return Atom(aPre, xls::msofbtSp, d);
}

inline TBytes OptAtom(const std::vector<std::pair<std::uint16_t, std::uint32_t>>& aProperties, const TBytes& aComplex = {})
{
    TBytes d;
    for (const auto& [id, value] : aProperties) {
        AppendWord(d, id);
        AppendCardinal(d, value);
    }
    d.insert(d.end(), aComplex.begin(), aComplex.end());
    return Atom(static_cast<std::uint16_t>((aProperties.size() << 4) | 3), xls::msofbtOPT, d);
}

inline TBytes AnchorAtom(const xls::TClientAnchor& a)
{
    TBytes d;
    for (std::uint16_t v : {a.Flag, a.Col1, a.Dx1, a.Row1, a.Dy1, a.Col2, a.Dx2, a.Row2, a.Dy2}) AppendWord(d, v);
    return Atom(0, xls::msofbtClientAnchor, d);
}

inline TBytes ClientDataAtom() { return Atom(0, xls::msofbtClientData, {}); }
inline TBytes ClientTextBoxAtom() { return Atom(0, xls::msofbtClientTextbox, {}); }

// The patriarch's own shape: a group atom and shape aSpid flagged group and patriarch.
inline TBytes GroupShape(std::uint32_t aSpid)
{
    return Container(xls::msofbtSpContainer, {Atom(1, xls::msofbtSpgr, TBytes(16, 0)), SpAtom(aSpid, 0x0002, 5)});
}

inline TBytes PictureShape(std::uint32_t aSpid, std::uint32_t aStoreIndex, const xls::TClientAnchor& aAnchor)
{
    return Container(xls::msofbtSpContainer,
                     {SpAtom(aSpid), OptAtom({{0x4104, aStoreIndex}}), AnchorAtom(aAnchor), ClientDataAtom()});
}

inline TBytes CommentShape(std::uint32_t aSpid, const xls::TClientAnchor& aAnchor)
{
    return Container(xls::msofbtSpContainer, {SpAtom(aSpid, 0x0CA2), OptAtom({{0x0080, 0}}), AnchorAtom(aAnchor),
                                              ClientDataAtom(), ClientTextBoxAtom()});
}

// A sheet drawing: Dg and the patriarch with its group shape and aShapes.
inline TBytes SheetTree(std::uint16_t aDgId, std::uint32_t aCsp, std::uint32_t aSpidCur, std::uint32_t aGroupSpid,
                        const std::vector<TBytes>& aShapes)
{
    std::vector<TBytes> patriarch{GroupShape(aGroupSpid)};
    patriarch.insert(patriarch.end(), aShapes.begin(), aShapes.end());
    return Container(xls::msofbtDgContainer,
                     {DgAtom(aDgId, aCsp, aSpidCur), Container(xls::msofbtSpgrContainer, patriarch)});
}

// A picture of the store: type, reference count and the image bytes; its
// uid is the image's MD5 digest.
inline TBytes BseAtom(std::uint8_t aType, std::uint32_t aCRef, const TBytes& aImage)
{
    const xls::TMd5Digest digest = xls::Md5Of(aImage);
    const TBytes uid(digest.begin(), digest.end());
    const TBytes blip = Cat({uid, TBytes{0xFF}, aImage});
    TBytes d{aType, aType};
    d.insert(d.end(), uid.begin(), uid.end());
    AppendWord(d, 0x00FF);
    AppendCardinal(d, static_cast<std::uint32_t>(8 + blip.size()));
    AppendCardinal(d, aCRef);
    d.resize(36, 0);
    const std::uint16_t instance = aType == 6 ? 0x6E0 : 0x46A;
    const TBytes record = Cat({EscherHeader(static_cast<std::uint16_t>(instance << 4), static_cast<std::uint16_t>(0xF018 + aType),
                                            static_cast<std::uint32_t>(blip.size())),
                               blip});
    return Atom(static_cast<std::uint16_t>((aType << 4) | 2), xls::msofbtBSE, Cat({d, record}));
}

inline TBytes GroupTree(const TBytes& aDgg, const std::vector<TBytes>& aPictures = {})
{
    std::vector<TBytes> children{aDgg};
    if (!aPictures.empty())
        children.push_back(Container(xls::msofbtBstoreContainer, aPictures, static_cast<std::uint16_t>(aPictures.size())));
    children.push_back(Atom(0x0033, xls::msofbtOPT, BytesFromHex("BF 00 08 00 08 00 81 01 09 00 00 08 C0 01 40 00 00 08")));
    return Container(xls::msofbtDggContainer, children);
}

// The end positions of the client atoms in a tree, in tree order.
inline void ClientAtomEnds(const TBytes& aTree, std::size_t aPos, std::size_t aEnd, std::vector<std::size_t>& aEnds)
{
    while (aPos + 8 <= aEnd) {
        const std::uint16_t pre = GetWord(aTree, aPos);
        const std::uint16_t id = GetWord(aTree, aPos + 2);
        const std::size_t next = aPos + 8 + GetCardinal(aTree, aPos + 4);
        if ((pre & 0xF) == 0xF)
            ClientAtomEnds(aTree, aPos + 8, next, aEnds);
        else if (id == xls::msofbtClientData || id == xls::msofbtClientTextbox)
            aEnds.push_back(next);
        aPos = next;
    }
}

// The tree cut into MSODRAWING records behind each client atom, with that
// atom's client records (aClients[k], already whole BIFF records) after it.
inline TBytes SheetDrawingRecords(const TBytes& aTree, const std::vector<TBytes>& aClients)
{
    std::vector<std::size_t> ends;
    ClientAtomEnds(aTree, 0, aTree.size(), ends);
    TBytes out;
    std::size_t start = 0;
    for (std::size_t k = 0; k < ends.size(); ++k) {
        out = Cat({out, Rec(xlr_MSODRAWING, TBytes(aTree.begin() + std::ptrdiff_t(start), aTree.begin() + std::ptrdiff_t(ends[k])))});
        if (k < aClients.size()) out = Cat({out, aClients[k]});
        start = ends[k];
    }
    if (start < aTree.size()) out = Cat({out, Rec(xlr_MSODRAWING, TBytes(aTree.begin() + std::ptrdiff_t(start), aTree.end()))});
    return out;
}

// A TXO with text aText (8-bit) and the closing runs.
inline TBytes TxoRecords(const std::string& aText)
{
    TBytes txo(18, 0);
    SetWord(txo, 0, 0x0212);
    SetWord(txo, 10, static_cast<std::uint16_t>(aText.size()));
    SetWord(txo, 12, aText.empty() ? 0 : 16);
    if (aText.empty()) return Rec(xlr_TXO, txo);
    TBytes chars{0};
    chars.insert(chars.end(), aText.begin(), aText.end());
    TBytes runs(16, 0);
    SetWord(runs, 8, static_cast<std::uint16_t>(aText.size()));
    return Cat({Rec(xlr_TXO, txo), Rec(xlr_CONTINUE, chars), Rec(xlr_CONTINUE, runs)});
}

// NOTE on (row, col) for object aObjId by aAuthor (8-bit).
inline TBytes NoteBody(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aObjId, std::string_view aAuthor = "me",
                       std::uint16_t aOptions = 0)
{
    TBytes d = CellBody(aRow, aCol, aOptions);
    AppendWord(d, aObjId);
    d = Cat({d, Str2(aAuthor)});
    AppendByte(d, 0);
    return d;
}

}  // namespace eschertest

namespace eschertest {

// Drawing data cut into records of at most aPiece data bytes: aFirstId, then CONTINUE.
inline TBytes CutRecords(std::uint16_t aFirstId, const TBytes& aData, std::size_t aPiece = 8224)
{
    TBytes out;
    for (std::size_t pos = 0; pos < aData.size() || pos == 0; pos += aPiece) {
        const std::size_t end = std::min(aData.size(), pos + aPiece);
        out = Cat({out, Rec(pos == 0 ? aFirstId : xlr_CONTINUE,
                            TBytes(aData.begin() + std::ptrdiff_t(pos), aData.begin() + std::ptrdiff_t(end)))});
        if (end == aData.size()) break;
    }
    return out;
}

// A workbook with the drawing group aGroupTree (none when empty) and one
// selected worksheet holding aSheetRecords.
inline TBytes DrawingBook(const TBytes& aGroupTree, const TBytes& aSheetRecords)
{
    TBytes globals = Cat({Rec(xlr_BOF, BofGlobals()), Rec(0x003D, Window1Body()), Rec(0x0085, BoundSheetBody("Sheet1"))});
    if (!aGroupTree.empty()) globals = Cat({globals, CutRecords(xlr_MSODRAWINGGROUP, aGroupTree)});
    globals = Cat({globals, Rec(xlr_EOF, {})});
    return Cat({globals, Section(kWorksheet, {aSheetRecords, Rec(0x023E, Window2Body(true))})});
}

// The saved bytes of the workbook's only sheet.
inline TBytes SavedSheet(TWorkbook& aBook)
{
    const TBytes saved = SavedWorkbook(aBook);
    const std::uint32_t offset = aBook.Globals().BoundSheets().BoundSheets().Items(0)->Offset();
    return TBytes(saved.begin() + offset, saved.end());
}

}  // namespace eschertest
