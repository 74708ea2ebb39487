// The file interface's operations on the objects of a sheet: pictures,
// comments, hyperlinks and the sheet walk's index of pictures by row.
#include <algorithm>

#include "drawing/UXlsClientData.h"
#include "facade/UExcelRecords.h"
#include "facade/UXlsInterfaceCounts.h"
#include "facade/XLSAdapter.h"

namespace xls {

namespace {

TBlipType BlipTypeOf(TXlsImgTypes aType)
{
    switch (aType) {
    case TXlsImgTypes::xli_Emf: return TBlipType::EMF;
    case TXlsImgTypes::xli_Wmf: return TBlipType::WMF;
    case TXlsImgTypes::xli_Jpeg: return TBlipType::JPEG;
    case TXlsImgTypes::xli_Png: return TBlipType::PNG;
    case TXlsImgTypes::xli_Bmp: return TBlipType::DIB;
    default: return TBlipType::Error;
    }
}

TXlsImgTypes ImgTypeOf(TBlipType aType)
{
    switch (aType) {
    case TBlipType::EMF: return TXlsImgTypes::xli_Emf;
    case TBlipType::WMF: return TXlsImgTypes::xli_Wmf;
    case TBlipType::JPEG: return TXlsImgTypes::xli_Jpeg;
    case TBlipType::PNG: return TXlsImgTypes::xli_Png;
    case TBlipType::DIB: return TXlsImgTypes::xli_Bmp;
    default: return TXlsImgTypes::xli_Unknown;
    }
}

// The kind of picture the bytes are; what they are wins over what the caller
// said. An empty picture is a blank one.
TBlipType CheckedPictureType(const TBytes& aData, TXlsImgTypes aType)
{
    if (aData.empty()) return BlipTypeOf(aType) == TBlipType::Error ? TBlipType::PNG : BlipTypeOf(aType);
    const TBlipType detected = DetectPictureType(aData);
    if (detected == TBlipType::Error) RaiseXls(TXlsMsg::UnsupportedPicture);
    return detected;
}

std::uint16_t CheckedField(std::int64_t aValue, const char* aName, std::int64_t aMin, std::int64_t aMax)
{
    if (aValue < aMin || aValue > aMax) RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {aValue, std::string(aName), aMin, aMax});
    return static_cast<std::uint16_t>(aValue);
}

// The anchor of a picture placed by the interface's properties.
TClientAnchor AnchorOf(const TImageProperties& p)
{
    TClientAnchor a;
    a.Flag = p.AnchorType == TXlsAnchorType::at_MoveAndResize          ? 0
             : p.AnchorType == TXlsAnchorType::at_MoveAndDontResize ? 2
                                                                     : 3;
    a.Row1 = CheckedField(std::int64_t(p.Row1) - 1, "Row1", 0, MaxRow);
    a.Col1 = CheckedField(std::int64_t(p.Col1) - 1, "Col1", 0, MaxColumn);
    a.Row2 = CheckedField(std::int64_t(p.Row2) - 1, "Row2", a.Row1, MaxRow);
    a.Col2 = CheckedField(std::int64_t(p.Col2) - 1, "Col2", a.Col1, MaxColumn);
    a.Dx1 = CheckedField(p.Dx1, "Dx1", 0, 1024);
    a.Dx2 = CheckedField(p.Dx2, "Dx2", 0, 1024);
    a.Dy1 = CheckedField(p.Dy1, "Dy1", 0, 255);
    a.Dy2 = CheckedField(p.Dy2, "Dy2", 0, 255);
    return a;
}

TImageProperties PropertiesOf(const TClientAnchor& a, const TXlsString& aName)
{
    TImageProperties p;
    p.Row1 = a.Row1 + 1;
    p.Col1 = a.Col1 + 1;
    p.Row2 = a.Row2 + 1;
    p.Col2 = a.Col2 + 1;
    p.Dx1 = a.Dx1;
    p.Dx2 = a.Dx2;
    p.Dy1 = a.Dy1;
    p.Dy2 = a.Dy2;
    p.FileName = aName;
    p.AnchorType = a.Flag == 0   ? TXlsAnchorType::at_MoveAndResize
                   : a.Flag == 3 ? TXlsAnchorType::at_DontMoveAndDontResize
                                 : TXlsAnchorType::at_MoveAndDontResize;
    return p;
}

// A comment's box: right of its cell, from the row above it, three columns
// wide and four rows high.
TClientAnchor CommentBox(std::int64_t aRow, std::int64_t aCol)
{
    TClientAnchor a;
    a.Flag = 3;
    a.Col1 = static_cast<std::uint16_t>(std::min<std::int64_t>(aCol + 1, MaxColumn));
    a.Dx1 = 15;
    a.Row1 = static_cast<std::uint16_t>(aRow > 0 ? aRow - 1 : 0);
    a.Dy1 = aRow > 0 ? 10 : 2;
    a.Col2 = static_cast<std::uint16_t>(std::min<std::int64_t>(aCol + 3, MaxColumn));
    a.Dx2 = 15;
    a.Row2 = static_cast<std::uint16_t>(std::min<std::int64_t>(a.Row1 + 4, MaxRow));
    a.Dy2 = 4;
    return a;
}

// Interface ranges count rows and columns from 1.
TXlsCellRange InterfaceRangeOf(const TXlsCellRange& r) { return {r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1}; }

TXlsCellRange ModelRangeOf(const TXlsCellRange& r)
{
    CheckedField(r.Right, "Right", r.Left, MaxColumn + 1);
    CheckedField(r.Bottom, "Bottom", r.Top, MaxRow + 1);
    return {static_cast<std::int32_t>(ModelCol(r.Left)), static_cast<std::int32_t>(ModelRow(r.Top)),
            static_cast<std::int32_t>(ModelCol(r.Right)), static_cast<std::int32_t>(ModelRow(r.Bottom))};
}

}  // namespace

// ---------------------------------------------------------------------------
// The sheet walk's index of pictures by row

const TRowComments& TXLSFile::RowPictureIndex(TWorkSheet& aSheet)
{
    TDrawing& drawing = aSheet.Drawing();
    if (RowPictures.Drawing == &drawing && RowPictures.Version == drawing.Version()) return RowPictures;
    drawing.SortPicturesByRow();
    RowPictures.Drawing = &drawing;
    RowPictures.Version = drawing.Version();
    RowPictures.Rows.clear();
    for (std::size_t i = 0; i < drawing.DrawingCount(); ++i) RowPictures.Rows.push_back(drawing.GetDrawingRow(i));
    return RowPictures;
}

void TXLSFile::BeginSheet()
{
    if (TWorkSheet* ws = ActiveWorkSheet()) RowPictureIndex(*ws);
}

std::size_t TXLSFile::PictureOfRow(TWorkSheet& aSheet, std::int32_t Row, std::int32_t aPos)
{
    const std::vector<std::int32_t>& rows = RowPictureIndex(aSheet).Rows;
    const auto row = static_cast<std::int32_t>(ModelRow(Row));
    const auto [first, last] = std::equal_range(rows.begin(), rows.end(), row);
    if (aPos < 0 || aPos >= last - first)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {std::int64_t(aPos), std::string("aPos"), 0, std::int64_t(last - first) - 1});
    return static_cast<std::size_t>(first - rows.begin() + aPos);
}

std::size_t TXLSFile::PictureAt(TWorkSheet& aSheet, std::int32_t Index)
{
    const std::size_t count = RowPictureIndex(aSheet).Rows.size();
    if (Index < 0 || std::size_t(Index) >= count)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {std::int64_t(Index), std::string("Index"), 0, std::int64_t(count) - 1});
    return static_cast<std::size_t>(Index);
}

// ---------------------------------------------------------------------------
// Pictures

std::int32_t TXLSFile::GetPicturesCount(std::int32_t Row)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return 0;
    const std::vector<std::int32_t>& rows = RowPictureIndex(*ws).Rows;
    const auto row = static_cast<std::int32_t>(ModelRow(Row));
    const auto [first, last] = std::equal_range(rows.begin(), rows.end(), row);
    return static_cast<std::int32_t>(last - first);
}

TXlsString TXLSFile::GetPictureName(std::int32_t Row, std::int32_t aPos)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->Drawing().GetDrawingName(PictureOfRow(*ws, Row, aPos)) : TXlsString();
}

TXlsPicture TXLSFile::GetPicture(std::int32_t Row, std::int32_t aPos)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return {};
    const std::size_t index = PictureOfRow(*ws, Row, aPos);
    TXlsPicture picture;
    TBlipType type = TBlipType::Error;
    picture.Data = ws->Drawing().GetDrawingFromStream(index, type);
    picture.PicType = ImgTypeOf(type);
    picture.Properties = PropertiesOf(ws->Drawing().GetAnchor(index), ws->Drawing().GetDrawingName(index));
    return picture;
}

void TXLSFile::AssignPicture(std::int32_t Row, std::int32_t aPos, const TBytes& Pic, TXlsImgTypes PicType)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    const std::size_t index = PictureOfRow(*ws, Row, aPos);
    // Assigning no picture takes the picture away.
    if (Pic.empty())
        ws->Drawing().DeleteImage(index);
    else
        ws->Drawing().AssignDrawing(index, Pic, CheckedPictureType(Pic, PicType));
    FIsFileModified = true;
}

void TXLSFile::AssignPicture(std::int32_t Row, std::int32_t aPos, const TBytes& Pic, TXlsImgTypes PicType,
                             const TImageProperties& Props)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    const TClientAnchor anchor = AnchorOf(Props);
    const std::size_t index = PictureOfRow(*ws, Row, aPos);
    if (Pic.empty()) {
        ws->Drawing().DeleteImage(index);
    } else {
        const TBlipType type = CheckedPictureType(Pic, PicType);
        ws->Drawing().SetAnchor(index, anchor);
        ws->Drawing().AssignDrawing(index, Pic, type);
    }
    FIsFileModified = true;
}

void TXLSFile::AssignPictureProperties(std::int32_t Row, std::int32_t aPos, const TImageProperties& Props)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    const TClientAnchor anchor = AnchorOf(Props);
    ws->Drawing().SetAnchor(PictureOfRow(*ws, Row, aPos), anchor);
    FIsFileModified = true;
}

void TXLSFile::AddImage(const TBytes& Data, TXlsImgTypes DataType, const TImageProperties& Properties)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    const TClientAnchor anchor = AnchorOf(Properties);
    ws->Drawing().AddImage(Data, CheckedPictureType(Data, DataType), anchor, Properties.FileName);
    FIsFileModified = true;
}

void TXLSFile::DeleteImage(std::int32_t Index)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    ws->Drawing().DeleteImage(PictureAt(*ws, Index));
    FIsFileModified = true;
}

void TXLSFile::ClearImage(std::int32_t Index)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    ws->Drawing().ClearImage(PictureAt(*ws, Index));
    FIsFileModified = true;
}

// ---------------------------------------------------------------------------
// Comments

TNoteRecord& TXLSFile::CommentOfRow(TWorkSheet& aSheet, std::int32_t Row, std::int32_t aPos)
{
    const std::int64_t row = ModelRow(Row);
    TNoteList& notes = aSheet.Notes();
    const std::size_t count = row < std::int64_t(notes.Count()) ? notes.NoteRow(std::size_t(row))->Count() : 0;
    if (aPos < 0 || std::size_t(aPos) >= count)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {std::int64_t(aPos), std::string("aPos"), 0, std::int64_t(count) - 1});
    TNoteRecordList* notesOfRow = notes.NoteRow(std::size_t(row));
    notesOfRow->Sort();
    return *notesOfRow->Items(std::size_t(aPos));
}

std::int32_t TXLSFile::GetCommentsCount(std::int32_t Row)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return 0;
    const std::int64_t row = ModelRow(Row);
    const TNoteList& notes = ws->Notes();
    return row < std::int64_t(notes.Count()) ? static_cast<std::int32_t>(notes.NoteRow(std::size_t(row))->Count()) : 0;
}

TRichString TXLSFile::GetCommentText(std::int32_t Row, std::int32_t aPos)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? CommentOfRow(*ws, Row, aPos).GetText(ws->Drawing()) : TRichString{};
}

std::int32_t TXLSFile::GetCommentColumn(std::int32_t Row, std::int32_t aPos)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? CommentOfRow(*ws, Row, aPos).Column() + 1 : 0;
}

void TXLSFile::AssignComment(std::int32_t Row, std::int32_t aPos, const TRichString& Comment)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    TNoteRecord& note = CommentOfRow(*ws, Row, aPos);
    // A comment without text is no comment.
    if (Comment.Value.empty())
        ws->Notes().DeleteNote(note.Row(), note.Column());
    else
        note.SetText(ws->Drawing(), Comment);
    FIsFileModified = true;
}

void TXLSFile::SetCellComment(std::int32_t Row, std::int32_t Col, const TRichString& Value)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    const std::int64_t row = ModelRow(Row);
    const std::int64_t col = ModelCol(Col);
    if (Value.Value.empty())
        ws->Notes().DeleteNote(row, col);
    else if (TNoteRecord* note = ws->Notes().FindNote(row, col))
        note->SetText(ws->Drawing(), Value);
    else
        ws->Notes().AddNewComment(row, col, Value, CommentBox(row, col));
    FIsFileModified = true;
}

TRichString TXLSFile::GetCellComment(std::int32_t Row, std::int32_t Col)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return {};
    const TNoteRecord* note = ws->Notes().FindNote(ModelRow(Row), ModelCol(Col));
    return note ? note->GetText(ws->Drawing()) : TRichString{};
}

void TXLSFile::ParseComments()
{
    // Orders each row's comments by column, as aPos counts them.
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    for (std::size_t row = 0; row < ws->Notes().Count(); ++row) ws->Notes().NoteRow(row)->Sort();
}

// ---------------------------------------------------------------------------
// Hyperlinks (counted from 0)

THLinkRecord& TXLSFile::HyperLinkAt(TWorkSheet& aSheet, std::int32_t HyperLinkIndex)
{
    const auto count = static_cast<std::int64_t>(aSheet.HLinks().Count());
    if (HyperLinkIndex < 0 || HyperLinkIndex >= count)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange,
                 {std::int64_t(HyperLinkIndex), std::string("HyperLinkIndex"), 0, count - 1});
    return *aSheet.HLinks().Items(std::size_t(HyperLinkIndex));
}

std::int32_t TXLSFile::HyperLinkCount()
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? static_cast<std::int32_t>(ws->HLinks().Count()) : 0;
}

THyperLink TXLSFile::GetHyperLink(std::int32_t HyperLinkIndex)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? HyperLinkAt(*ws, HyperLinkIndex).GetProperties() : THyperLink{};
}

void TXLSFile::SetHyperLink(std::int32_t HyperLinkIndex, const THyperLink& value)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    HyperLinkAt(*ws, HyperLinkIndex).SetProperties(value);
    FIsFileModified = true;
}

TXlsCellRange TXLSFile::GetHyperLinkCellRange(std::int32_t HyperLinkIndex)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? InterfaceRangeOf(HyperLinkAt(*ws, HyperLinkIndex).GetCellRange()) : TXlsCellRange{};
}

void TXLSFile::SetHyperLinkCellRange(std::int32_t HyperLinkIndex, const TXlsCellRange& CellRange)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    HyperLinkAt(*ws, HyperLinkIndex).SetCellRange(ModelRangeOf(CellRange));
    FIsFileModified = true;
}

void TXLSFile::AddHyperLink(const TXlsCellRange& CellRange, const THyperLink& value)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    ws->HLinks().Add(THLinkRecord::CreateNew(ModelRangeOf(CellRange), value));
    FIsFileModified = true;
}

void TXLSFile::DeleteHyperLink(std::int32_t HyperLinkIndex)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    HyperLinkAt(*ws, HyperLinkIndex);
    ws->HLinks().Delete(std::size_t(HyperLinkIndex));
    FIsFileModified = true;
}

}  // namespace xls
