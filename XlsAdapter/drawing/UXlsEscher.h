// The drawings of a workbook: the drawing group (the picture store and the
// shape id bookkeeping, in MSODRAWINGGROUP records of the globals) and each
// worksheet's drawing (MSODRAWING records, with the OBJ and TXO records of
// its shapes between them). Both are read into Escher record trees and
// written back from them: the group as one MSODRAWINGGROUP record with
// CONTINUE records of at most 8224 data bytes, a sheet's drawing as
// MSODRAWING records cut the same way, with a new MSODRAWING after every
// shape's client records.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "drawing/UEscherRecords.h"
#include "globals/UXlsWorkbookGlobals.h"

namespace xls {

class TObjRecord;
class TSST;
class TTbrChart;
class TTXO;
class TMsObj;

class TDrawingGroup final : public TBaseDrawingGroup {
public:
    TDrawingGroup() = default;
    ~TDrawingGroup() override;
    TDrawingGroup(const TDrawingGroup&) = delete;
    TDrawingGroup& operator=(const TDrawingGroup&) = delete;

    // First is an MSODRAWINGGROUP record with its CONTINUE chain; the root
    // may go on in further MSODRAWINGGROUP records. Fails with "Error reading
    // Excel records. File invalid" when the group is loaded already or a
    // record of another kind comes before the root is complete.
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First) override;
    void SaveToStream(TOle2File& DataStream) override;
    std::int64_t TotalSize() const override;
    void Clear() override;

    bool Empty() const { return !FDggContainer; }
    const TEscherContainerRecord* Root() const { return FDggContainer.get(); }
    TEscherDwgGroupCache& Cache() { return FRecordCache; }
    const TEscherDwgGroupCache& Cache() const { return FRecordCache; }

    // Creates the group and its parts (shape ids, picture store, default
    // properties, split menu colours) where they are missing.
    void EnsureDwgGroup();
    // Sorts the picture store (after a load), unless store positions are kept.
    void SortPictureStore();
    // Drawings the engine keeps unread may name pictures by store position:
    // the store then keeps its order and its entries.
    void SetKeepStorePositions(bool aValue) { FRecordCache.KeepStorePositions = aValue; }

    // The pictures of the store that hold their image, and the image bytes in all.
    std::size_t PictureCount() const;
    std::int64_t PictureBytes() const;

private:
    std::unique_ptr<TEscherContainerRecord> FDggContainer;
    TEscherDwgGroupCache FRecordCache;
};

// The workbook's drawing group, which the workbook gives its globals.
TDrawingGroup& DrawingGroupOf(TWorkbookGlobals& aGlobals);

class TDrawing {
public:
    explicit TDrawing(TDrawingGroup& aDrawingGroup);
    ~TDrawing();
    TDrawing(const TDrawing&) = delete;
    TDrawing& operator=(const TDrawing&) = delete;

    // MSODRAWING starts a drawing; an OBJ or TXO without one is kept as it is.
    static bool StartsDrawing(std::uint16_t aId);

    // First is the drawing's first MSODRAWING record; the drawing reads the
    // MSODRAWING records that continue it and its shapes' client records.
    // Fails with "Error reading Excel records. File invalid" for a second
    // drawing or drawing data out of place, and with "The file has an
    // usupported drawing record" when a shape's client record is missing.
    // An OBJ or TXO that no MSODRAWING came before is kept with what follows it.
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First,
                        TSST& SST);
    void SaveToStream(TOle2File& DataStream);
    std::int64_t TotalSize() const;
    // Frees the drawing; its shape ids become free in the group.
    void Clear();
    bool Empty() const { return !FDgContainer && FLooseParts.empty(); }
    bool HasTree() const { return FDgContainer != nullptr; }
    const TEscherContainerRecord* Root() const { return FDgContainer.get(); }
    // A copy of aSource (of another sheet) with shape ids of its own.
    void CopyFrom(const TDrawing& aSource);

    // Pictures: the shapes whose properties name a picture of the store, in
    // drawing order (or by row after SortPicturesByRow). Indexes outside
    // fail with "List index out of bounds (%d)".
    std::size_t DrawingCount() const { return FRecordCache.Blip.size(); }
    std::int32_t GetDrawingRow(std::size_t aIndex) const;
    TXlsString GetDrawingName(std::size_t aIndex) const;
    TClientAnchor GetAnchor(std::size_t aIndex) const;
    void SetAnchor(std::size_t aIndex, const TClientAnchor& aAnchor);
    TBytes GetDrawingFromStream(std::size_t aIndex, TBlipType& aType) const;
    // Replaces the picture (an empty image: a small blank bitmap).
    void AssignDrawing(std::size_t aIndex, TByteView aImage, TBlipType aType);
    // A new picture shape; an empty image gives a small blank bitmap.
    void AddImage(TByteView aImage, TBlipType aType, const TClientAnchor& aAnchor, std::u16string_view aName);
    void DeleteImage(std::size_t aIndex);
    void ClearImage(std::size_t aIndex) { AssignDrawing(aIndex, {}, TBlipType::PNG); }
    void SortPicturesByRow();

    // Comments: a new comment box placed at aAnchor; its object id.
    std::uint16_t AddNewComment(const TClientAnchor& aAnchor);
    // The text box of the shape with the object id, or none.
    TTXO* ShapeText(std::uint16_t aObjId) const;
    // Frees the shape with the object id (nothing when there is none).
    void DeleteObject(std::uint16_t aObjId);
    // Moves the shape with the object id with rows (columns) inserted or
    // deleted at aPos, keeping its size.
    void MoveObjectRows(std::uint16_t aObjId, std::int32_t aPos, std::int32_t aCount);
    void MoveObjectCols(std::uint16_t aObjId, std::int32_t aPos, std::int32_t aCount);
    // A copy of the shape with the object id, moved by the offsets; the
    // copy's object id (0 when there is no such shape).
    std::uint16_t CopyObject(std::uint16_t aObjId, std::int32_t aRowOffset, std::int32_t aColOffset);
    TEscherClientRecord* FindObjId(std::uint16_t aObjId) const;

    // Auto filter: one drop-down button per column Col1 to Col2 on row aRow.
    void AddAutoFilter(std::int32_t aRow, std::int32_t aCol1, std::int32_t aCol2);
    // Fails with "Error loading Escher record" on a drawing without patriarch.
    void RemoveAutoFilter();
    std::size_t AutoFilterCount() const;

    // The objects of the sheet (OBJ records of the drawing's shapes and those
    // kept without a drawing), and the pictures among them.
    std::size_t ObjectCount() const;
    std::size_t PictureObjectCount() const;
    // Charts embedded in the drawing hold drawing records of their own.
    bool HoldsChartDrawings() const;

    // Rows or columns inserted (counts above 0) or deleted (below 0): anchors
    // on the drawing's own sheet move (comment boxes move with their notes),
    // embedded charts' references follow any sheet's change.
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo);
    void ArrangeCopySheet(const TSheetInfo& SheetInfo);
    // Inserts aCount copies of rows (columns) First to Last at Dest: shapes
    // behind move, shapes wholly inside the source (not comment boxes or
    // filter buttons) are copied into every inserted block.
    void InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                           const TSheetInfo& SheetInfo);
    void InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol, std::int32_t aCount,
                           const TSheetInfo& SheetInfo);
    // Shapes that move and size with the cells and lie wholly inside the
    // deleted rows (columns) go; the others move.
    void DeleteRows(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo);
    void DeleteCols(std::int32_t aCol, std::int32_t aCount, const TSheetInfo& SheetInfo);
    // Remembers the absolute rectangles of the shapes that do not size with
    // the cells, and places them again from those.
    void SaveObjectCoords(const TSheetGeometry& aGeometry);
    void RestoreObjectCoords(const TSheetGeometry& aGeometry);
    // Whether any shape needs the sheet's geometry to be placed again.
    bool NeedsGeometry() const;
    // Changes whenever the drawing does: indexes built on it tell by it that
    // they are out of date.
    std::uint64_t Version() const { return FVersion; }

private:
    struct TLoosePart {
        std::unique_ptr<TBaseRecord> Record;
        std::unique_ptr<TTbrChart> Chart;
    };
    void LoadTree(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First, TSST& SST);
    void LoadLoose(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First, TSST& SST);
    // Measures the tree into aState (filling its break list when there is one).
    void Split(TSplitState& aState) const;
    TEscherContext RootContext();
    // Creates the drawing (root, Dg, patriarch) when it has none.
    TEscherSpgrContainerRecord& EnsurePatriarch();
    // A new shape in the patriarch: SP, OPT, anchor and client records.
    void AddShape(std::uint16_t aSpPre,
                  const std::function<std::unique_ptr<TEscherOPTRecord>(const TEscherContext&)>& aMakeOpt,
                  const TClientAnchor& aAnchor, std::unique_ptr<TBaseClientData> aClientData,
                  std::unique_ptr<TBaseClientData> aTextBox);
    TEscherOPTRecord& Picture(std::size_t aIndex) const;
    std::vector<const TObjRecord*> LooseObjects() const;
    TEscherSpContainerRecord* ShapeOfObj(std::uint16_t aObjId) const;
    // The shapes of the patriarch that are copied or freed as a whole.
    std::vector<TEscherRecord*> TopLevelShapes() const;
    void CopyShapesInside(bool aRows, std::int32_t aFirst, std::int32_t aLast, std::int32_t aDest, std::int32_t aCount);
    void DeleteShapesInside(bool aRows, std::int32_t aFirst, std::int32_t aCount);

    TDrawingGroup* FDrawingGroup;  // not owned
    TEscherDwgCache FRecordCache;
    std::unique_ptr<TEscherContainerRecord> FDgContainer;  // after the cache: freed first
    std::vector<TLoosePart> FLooseParts;
    std::uint64_t FVersion = 0;
};

// The picture type of an image file's bytes (PNG, JPEG, BMP, WMF, EMF), or
// Error when it is none of them.
TBlipType DetectPictureType(TByteView aImage);

}  // namespace xls
