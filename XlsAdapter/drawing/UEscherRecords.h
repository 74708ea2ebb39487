// The Escher record tree of a drawing: every record an 8-byte header (Pre
// with version and instance, Id, Size) and then either data (an atom) or
// more records (a container). Atoms keep their bytes as read; the few atoms
// the engine needs are read through typed accessors:
//
//   Dgg (0xF006)  spidMax 0, cidcl 4, cspSaved 8, cdgSaved 12, then clusters
//                 of 8 bytes: drawing id, count of shape ids used
//   Dg (0xF008)   csp 0, spidCur 4; the drawing id is the instance
//   SP (0xF00A)   spid 0, flags 4
//   BSE (0xF007)  picture type 0, uid 2 (16 bytes), cRef 24, the picture
//                 record from 36 (its data from 44)
//   OPT (0xF00B)  instance properties of 6 bytes (16-bit id with bit 14 "is a
//                 store index" and bit 15 "complex", 32-bit value), then the
//                 complex values in table order
//   ClientAnchor (0xF010)  Flag, Col1, Dx1, Row1, Dy1, Col2, Dx2, Row2, Dy2
//
// Records register themselves in the caches of their drawing when created
// and leave them when destroyed. A tree is loaded from BIFF records whose
// data can end anywhere inside a record: a record stays half loaded and goes
// on with the next BIFF record.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "base/UXlsValueTypes.h"
#include "drawing/UBreakList.h"
#include "records/UXlsBaseRecords.h"

namespace xls {

class TBaseClientData;
class TEscherBSERecord;
class TEscherBStoreRecord;
class TEscherClientAnchorRecord;
class TEscherClientRecord;
class TEscherContainerRecord;
class TEscherDgRecord;
class TEscherDggRecord;
class TEscherOPTRecord;
class TEscherSPRecord;
class TEscherSolverContainerRecord;
class TEscherSpgrContainerRecord;

// Escher record types the engine knows.
constexpr std::uint16_t msofbtDggContainer = 0xF000;
constexpr std::uint16_t msofbtBstoreContainer = 0xF001;
constexpr std::uint16_t msofbtDgContainer = 0xF002;
constexpr std::uint16_t msofbtSpgrContainer = 0xF003;
constexpr std::uint16_t msofbtSpContainer = 0xF004;
constexpr std::uint16_t msofbtSolverContainer = 0xF005;
constexpr std::uint16_t msofbtDgg = 0xF006;
constexpr std::uint16_t msofbtBSE = 0xF007;
constexpr std::uint16_t msofbtDg = 0xF008;
constexpr std::uint16_t msofbtSpgr = 0xF009;
constexpr std::uint16_t msofbtSp = 0xF00A;
constexpr std::uint16_t msofbtOPT = 0xF00B;
constexpr std::uint16_t msofbtClientTextbox = 0xF00D;
constexpr std::uint16_t msofbtClientAnchor = 0xF010;
constexpr std::uint16_t msofbtClientData = 0xF011;
constexpr std::uint16_t msofbtConnectorRule = 0xF012;
constexpr std::uint16_t msofbtAlignRule = 0xF013;
constexpr std::uint16_t msofbtArcRule = 0xF014;
constexpr std::uint16_t msofbtCalloutRule = 0xF017;
constexpr std::uint16_t msofbtBlipFirst = 0xF018;  // picture records: 0xF018 + picture type
constexpr std::uint16_t msofbtSplitMenuColors = 0xF11E;

constexpr std::size_t EscherHeaderSize = 8;
// Containers nest no deeper than this; a deeper tree is refused.
constexpr int MaxEscherDepth = 64;

struct TEscherRecordHeader {
    std::uint16_t Pre = 0;  // bits 0 to 3 the version (0xF: a container), 4 to 15 the instance
    std::uint16_t Id = 0;
    std::uint32_t Size = 0;

    bool IsContainer() const { return (Pre & 0x000F) == 0x000F; }
};

// Where the loader is: a BIFF record (with its CONTINUE chain) and the
// position in it.
struct TEscherReadPos {
    const TBaseRecord* Record = nullptr;
    std::size_t Pos = 0;

    std::int64_t BytesLeft() const { return BytesLeftAcross(Record, Pos); }
    // Fails with "Error reading record" when the chain ends first.
    void Read(std::uint8_t* aDest, std::size_t aCount) { ReadAcross(Record, Pos, aCount, aDest); }
};

// The cell anchor of a shape. Flag: 0 moves and sizes with the cells, 1 and
// 2 move without sizing, 3 neither moves nor sizes. Dx counts 1/1024 of its
// column's width, Dy 1/255 of its row's height.
struct TClientAnchor {
    std::uint16_t Flag = 0;
    std::uint16_t Col1 = 0, Dx1 = 0, Row1 = 0, Dy1 = 0;
    std::uint16_t Col2 = 0, Dx2 = 0, Row2 = 0, Dy2 = 0;
    bool operator==(const TClientAnchor&) const = default;
};

// The widths of the columns and heights of the rows of a sheet in its own
// units (1/256 of a character and twips; hidden ones 0), as running sums,
// for turning anchors into absolute rectangles and back.
class TSheetGeometry {
public:
    // aColWidths: 256 widths; aRowHeights: 65536 heights.
    TSheetGeometry(const std::vector<std::int32_t>& aColWidths, const std::vector<std::int32_t>& aRowHeights);

    std::int64_t X(std::int32_t aCol, std::int32_t aDx) const;
    std::int64_t Y(std::int32_t aRow, std::int32_t aDy) const;
    // The last column (row) whose start is at or before the coordinate, and
    // the offset in it.
    void FromX(std::int64_t aX, std::uint16_t& aCol, std::uint16_t& aDx) const;
    void FromY(std::int64_t aY, std::uint16_t& aRow, std::uint16_t& aDy) const;

private:
    std::vector<std::int64_t> FColStart;  // 257 entries
    std::vector<std::int64_t> FRowStart;  // 65537 entries
};

// An absolute rectangle in the sheet's units.
struct TAbsoluteRect {
    std::int64_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// ---------------------------------------------------------------------- caches

// The drawing group's records the sheet drawings need.
struct TEscherDwgGroupCache {
    TEscherBStoreRecord* BStore = nullptr;
    TEscherDggRecord* Dgg = nullptr;
    // Set when drawings the engine does not model (inside chart substreams)
    // may refer to store positions: the store then neither moves nor drops
    // entries.
    bool KeepStorePositions = false;
};

// Shapes by shape id: sorted once the drawing is loaded, searched by halving.
class TEscherShapeCache {
public:
    void Add(TEscherSPRecord* aShape);
    void Remove(const TEscherSPRecord* aShape);
    void Clear() { FItems.clear(); }
    // Sorts when needed; none when no shape has the id.
    TEscherSPRecord* Find(std::uint32_t aShapeId);

private:
    std::vector<TEscherSPRecord*> FItems;
    bool FSorted = true;
};

// The records of one sheet drawing the engine looks up.
struct TEscherDwgCache {
    bool Destroying = false;     // the whole drawing is being freed: records do not unregister
    std::uint16_t MaxObjId = 0;  // the largest object id of the drawing's client data
    TEscherDgRecord* Dg = nullptr;
    TEscherSolverContainerRecord* Solver = nullptr;
    TEscherSpgrContainerRecord* Patriarch = nullptr;
    std::vector<TEscherClientAnchorRecord*> Anchor;
    TEscherShapeCache Shape;
    std::vector<TEscherClientRecord*> Obj;  // client data and client text box atoms
    std::vector<TEscherOPTRecord*> Blip;    // OPT atoms that refer to a picture, in drawing order

    void Reset();
};

// Where a record is created: its parent (none for a root) and the caches it
// registers in. Group records have no drawing cache.
struct TEscherContext {
    TEscherContainerRecord* Parent = nullptr;
    TEscherDwgCache* DwgCache = nullptr;
    TEscherDwgGroupCache* GroupCache = nullptr;
    // Copies made inside one drawing (rows copied) get new object ids; a
    // whole drawing copied to a new sheet keeps them, as its notes do.
    bool NewObjIds = false;
};

// -------------------------------------------------------------------- records

class TEscherRecord {
public:
    virtual ~TEscherRecord() = default;
    TEscherRecord(const TEscherRecord&) = delete;
    TEscherRecord& operator=(const TEscherRecord&) = delete;

    std::uint16_t Pre() const { return FPre; }
    std::uint16_t Id() const { return FId; }
    std::uint16_t Instance() const { return static_cast<std::uint16_t>(FPre >> 4); }
    TEscherContainerRecord* Parent() const { return FParent; }

    // Fails with "Tabora: Logical Error" when more data arrived than the header said.
    bool Loaded() const;
    // The header and what follows, as written.
    virtual std::int64_t TotalSizeNoSplit() const = 0;

    // Takes what it still misses from the BIFF data at aPos.
    virtual void Load(TEscherReadPos& aPos, int aDepth) = 0;
    // Called once the record is complete.
    virtual void AfterCreate() {}
    // Waits for the OBJ or TXO record that carries its client data.
    virtual bool WaitingClientData() const { return false; }

    // Measures the record into the split state (Breaks filled when given).
    virtual void SplitRecords(TSplitState& aState) const;
    // Writes the record, cutting it where the break list says. Fails with
    // "Escher record is not fully loaded" for a half loaded one.
    void SaveToStream(TOle2File& DataStream, TBreakList& Breaks);

    // A deep copy placed in aContext.
    std::unique_ptr<TEscherRecord> CopyTo(const TEscherContext& aContext) const;
    // The copy made last (set while a drawing is copied).
    TEscherRecord* CopiedTo() const { return FCopiedTo; }
    virtual void ClearCopiedTo() { FCopiedTo = nullptr; }

    // Rows or columns changed: client data (charts) follow them.
    virtual void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                          std::int32_t aColCount, const TSheetInfo& SheetInfo);
    virtual void ArrangeCopySheet(const TSheetInfo& SheetInfo);
    virtual void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset);

protected:
    TEscherRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    TEscherRecord(const TEscherRecord& aSource, const TEscherContext& aContext);

    // The copy without children; CopyChildrenFrom gives it copies of aSource's.
    virtual std::unique_ptr<TEscherRecord> DoCopyTo(const TEscherContext& aContext) const = 0;
    virtual void CopyChildrenFrom(const TEscherRecord& /*aSource*/, bool /*aNewObjIds*/) {}
    virtual void SaveBody(TOle2File& DataStream, TBreakList& Breaks) = 0;
    // The header's Size as written.
    virtual std::uint32_t WrittenDataSize() const = 0;
    void SetPre(std::uint16_t aPre) { FPre = aPre; }

    TEscherDwgCache* DwgCache() const { return FDwgCache; }
    TEscherDwgGroupCache* GroupCache() const { return FGroupCache; }
    bool DrawingDestroying() const { return FDwgCache && FDwgCache->Destroying; }

    std::int64_t FTotalDataSize;   // the header's Size
    std::int64_t FLoadedDataSize;  // bytes received so far

private:
    TEscherContainerRecord* FParent;
    TEscherDwgCache* FDwgCache;
    TEscherDwgGroupCache* FGroupCache;
    std::uint16_t FPre;
    std::uint16_t FId;
    mutable TEscherRecord* FCopiedTo = nullptr;
};

// Gives an Escher class its copy: DoCopyTo builds Self from the source and
// the new context.
template <class Self, class Base>
class TEscherClass : public Base {
public:
    using Base::Base;

protected:
    std::unique_ptr<TEscherRecord> DoCopyTo(const TEscherContext& aContext) const override
    {
        return std::make_unique<Self>(static_cast<const Self&>(*this), aContext);
    }
};

// An atom: the header and its data.
class TEscherDataRecord : public TEscherRecord {
public:
    TEscherDataRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    // A complete atom built from data.
    TEscherDataRecord(std::uint16_t aPre, std::uint16_t aId, TBytes aData, const TEscherContext& aContext);
    TEscherDataRecord(const TEscherDataRecord& aSource, const TEscherContext& aContext);

    TByteView Data() const { return FData; }
    std::int64_t TotalSizeNoSplit() const override { return std::int64_t(EscherHeaderSize) + FTotalDataSize; }
    void Load(TEscherReadPos& aPos, int aDepth) override;
    void SplitRecords(TSplitState& aState) const override;

protected:
    std::unique_ptr<TEscherRecord> DoCopyTo(const TEscherContext& aContext) const override;
    void SaveBody(TOle2File& DataStream, TBreakList& Breaks) override;
    std::uint32_t WrittenDataSize() const override { return static_cast<std::uint32_t>(FTotalDataSize); }
    TByteSpan MutableData() { return FData; }
    // Replaces the data (a complete atom of the new size).
    void SetData(TBytes aData);

private:
    TBytes FData;  // grows while loading
};

// A container: its children in file order, owned.
class TEscherContainerRecord : public TEscherRecord {
public:
    TEscherContainerRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    TEscherContainerRecord(const TEscherContainerRecord& aSource, const TEscherContext& aContext);
    ~TEscherContainerRecord() override;

    std::size_t ChildCount() const { return FContainedRecords.size(); }
    TEscherRecord* Child(std::size_t aIndex) const { return FContainedRecords.at(aIndex).get(); }
    // The first child with the id, or none.
    TEscherRecord* FindChild(std::uint16_t aId) const;
    std::size_t IndexOf(const TEscherRecord* aChild) const;

    void AddChild(std::unique_ptr<TEscherRecord> aChild);
    void InsertChild(std::size_t aIndex, std::unique_ptr<TEscherRecord> aChild);
    // Frees the child.
    void DeleteChild(std::size_t aIndex);
    // Frees every child whose test holds, last to first.
    template <class P>
    void DeleteChildrenIf(P aTest)
    {
        for (std::size_t i = FContainedRecords.size(); i-- > 0;)
            if (aTest(*FContainedRecords[i])) DeleteChild(i);
    }

    // The context children are created in.
    TEscherContext ChildContext();

    std::int64_t TotalSizeNoSplit() const override;
    void Load(TEscherReadPos& aPos, int aDepth) override;
    bool WaitingClientData() const override;
    void SplitRecords(TSplitState& aState) const override;
    void ClearCopiedTo() override;
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo) override;
    void ArrangeCopySheet(const TSheetInfo& SheetInfo) override;
    void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset) override;

protected:
    std::unique_ptr<TEscherRecord> DoCopyTo(const TEscherContext& aContext) const override;
    void CopyChildrenFrom(const TEscherRecord& aSource, bool aNewObjIds) override;
    void SaveBody(TOle2File& DataStream, TBreakList& Breaks) override;
    std::uint32_t WrittenDataSize() const override;
    // A child joined or is about to leave.
    virtual void ChildAdded(TEscherRecord&) {}
    virtual void ChildRemoved(const TEscherRecord&) {}
    // Reorders the children, equal ones keeping their order.
    void SortChildren(const std::function<bool(const TEscherRecord&, const TEscherRecord&)>& aLess);

private:
    std::vector<std::unique_ptr<TEscherRecord>> FContainedRecords;
};

// Creates the record of the class its header names (the table of record
// kinds), half loaded.
std::unique_ptr<TEscherRecord> CreateEscherRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);

// ------------------------------------------------------------- the picture store

enum class TBlipType : std::uint8_t { Error = 0, Unknown = 1, EMF = 2, WMF = 3, PICT = 4, JPEG = 5, PNG = 6, DIB = 7 };

// One picture of the store. References count the OPT properties that point
// at it; the store numbers its pictures from 1 when they change.
class TEscherBSERecord final : public TEscherClass<TEscherBSERecord, TEscherDataRecord> {
public:
    using TEscherClass::TEscherClass;
    // A new picture with one reference to come: aBlipData is the picture
    // record's data (uid, tag and image).
    static std::unique_ptr<TEscherBSERecord> CreateNew(TBlipType aType, const TBytes& aUid, TByteView aBlipData,
                                                       const TEscherContext& aContext);

    std::size_t BStorePos = 0;  // 1-based, set by the store

    TBlipType PictureType() const;
    TByteView Uid() const;
    std::uint32_t CRef() const;
    // The image bytes (none when the picture is kept elsewhere), and the
    // picture type they are of.
    TBytes PictureData() const;
    // Orders pictures by data size, then by uid.
    int CompareRec(const TEscherBSERecord& aOther) const;

    // A new reference (an OPT copied or created); a reference read with the
    // file counts itself with Register.
    void AddRef();
    void Register() { ++FRefs; }
    // Drops a reference; the store frees the picture when none is left.
    void Release();

private:
    void SetCRef(std::uint32_t aValue);
    std::uint32_t FRefs = 0;  // the OPT references in memory
};

class TEscherBStoreRecord final : public TEscherClass<TEscherBStoreRecord, TEscherContainerRecord> {
public:
    // Fails with "Error loading Escher record. Duplicated BStore" for a second one.
    TEscherBStoreRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    TEscherBStoreRecord(const TEscherBStoreRecord& aSource, const TEscherContext& aContext);
    ~TEscherBStoreRecord() override;

    std::size_t PictureCount() const { return ChildCount(); }
    // The picture at a 1-based store position; fails with "Error reading
    // Excel records. File invalid" outside the store.
    TEscherBSERecord& Picture(std::size_t aPos) const;
    // Sorts the pictures (by size, then uid), keeping the order of equal ones.
    void Sort();
    // The picture with this image: an equal one already there (its count
    // raised), or a new one at its sorted place.
    TEscherBSERecord& AddPicture(TBlipType aType, TByteView aImage);
    // Frees a picture nothing refers to any more.
    void RemovePicture(const TEscherBSERecord& aPicture);

protected:
    void ChildAdded(TEscherRecord& aChild) override;

private:
    void Renumber();
    void CountPictures();
    // The position where aPicture belongs; equal to an existing one when
    // aFound is set.
    std::size_t FindSorted(const TEscherBSERecord& aPicture, bool& aFound) const;
    bool FSorted = false;
};

// ------------------------------------------------------------- shape ids

class TEscherDggRecord final : public TEscherClass<TEscherDggRecord, TEscherDataRecord> {
public:
    // Fails with "Error loading Escher record. Duplicated Dgg" for a second one.
    TEscherDggRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    TEscherDggRecord(std::uint16_t aPre, std::uint16_t aId, TBytes aData, const TEscherContext& aContext);
    TEscherDggRecord(const TEscherDggRecord& aSource, const TEscherContext& aContext);
    ~TEscherDggRecord() override;

    std::uint32_t SpidMax() const { return Field(0); }
    std::uint32_t Cidcl() const { return Field(4); }
    std::uint32_t CspSaved() const { return Field(8); }
    std::uint32_t CdgSaved() const { return Field(12); }
    std::size_t ClusterCount() const;
    std::uint32_t ClusterDrawing(std::size_t aIndex) const { return Field(16 + 8 * aIndex); }
    std::uint32_t ClusterUsed(std::size_t aIndex) const { return Field(20 + 8 * aIndex); }

    // A new drawing's id and the first shape id of its cluster.
    void GetNewDgIdAndCluster(std::uint16_t& aDgId, std::uint32_t& aFirstShapeId);
    // The next shape id for drawing aDgId whose last shape id is aLastShapeId.
    std::uint32_t AddImage(std::uint16_t aDgId, std::uint32_t aLastShapeId);
    void ShapesRemoved(std::uint32_t aCount);
    // A drawing is gone with its aShapes shapes: its clusters become free.
    void DrawingRemoved(std::uint16_t aDgId, std::uint32_t aShapes);

private:
    std::uint32_t Field(std::size_t aOfs) const { return GetCardinal(Data(), aOfs); }
    void SetField(std::size_t aOfs, std::uint32_t aValue) { SetCardinal(MutableData(), aOfs, aValue); }
    // Appends a cluster for aDgId; its index.
    std::size_t AppendCluster(std::uint16_t aDgId);
    void Register();
};

class TEscherDgRecord final : public TEscherClass<TEscherDgRecord, TEscherDataRecord> {
public:
    // Fails with "Error loading Escher record. Duplicated Dg" for a second one.
    TEscherDgRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    // A new drawing's atom: a new drawing id and cluster from the group.
    explicit TEscherDgRecord(const TEscherContext& aContext);
    // The copy belongs to a new drawing: it gets an id and cluster of its own.
    TEscherDgRecord(const TEscherDgRecord& aSource, const TEscherContext& aContext);
    ~TEscherDgRecord() override;

    std::uint16_t DrawingId() const { return Instance(); }
    std::uint32_t Csp() const { return GetCardinal(Data(), 0); }
    std::uint32_t SpidCur() const { return GetCardinal(Data(), 4); }
    // The next shape id of the drawing, counted in the drawing and the group.
    std::uint32_t IncMaxShapeId();
    void ShapeRemoved();

private:
    void Register();
    void StartNewDrawing();
};

// A shape atom: its id and flags.
class TEscherSPRecord final : public TEscherClass<TEscherSPRecord, TEscherDataRecord> {
public:
    TEscherSPRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    // A new shape of the drawing with the next shape id.
    TEscherSPRecord(std::uint16_t aPre, std::uint32_t aFlags, const TEscherContext& aContext);
    // The copy gets the next shape id of its drawing.
    TEscherSPRecord(const TEscherSPRecord& aSource, const TEscherContext& aContext);
    ~TEscherSPRecord() override;

    std::uint32_t ShapeId() const { return GetCardinal(Data(), 0); }

private:
    void TakeNewShapeId();
};

// ------------------------------------------------------------- shapes

// The property table of a shape: picture references and the shape name.
class TEscherOPTRecord final : public TEscherClass<TEscherOPTRecord, TEscherDataRecord> {
public:
    using TEscherClass::TEscherClass;
    TEscherOPTRecord(const TEscherOPTRecord& aSource, const TEscherContext& aContext);
    ~TEscherOPTRecord() override;

    struct TProperty {
        std::uint16_t Id;  // with its flag bits
        std::uint32_t Value;
        TBytes Complex;    // the complex value, for a complex property
    };
    // A table of a new shape; properties referring to the store name their
    // picture in aPicture. The picture gets a reference.
    static std::unique_ptr<TEscherOPTRecord> CreateNew(const std::vector<TProperty>& aProperties,
                                                       TEscherBSERecord* aPicture, const TEscherContext& aContext);

    void AfterCreate() override;
    bool HasPicture() const { return !FBlips.empty(); }
    // The first picture it refers to.
    TEscherBSERecord* Picture() const { return FBlips.empty() ? nullptr : FBlips.front().Bse; }
    // Points every store reference at another picture.
    void ReplacePicture(TEscherBSERecord& aPicture);
    const TXlsString& ShapeName() const { return FShapeName; }
    // The shape container that holds it, or none.
    const class TEscherSpContainerRecord* Shape() const;

protected:
    void SaveBody(TOle2File& DataStream, TBreakList& Breaks) override;

private:
    struct TBlipRef {
        std::size_t Offset;  // of the value in the data
        TEscherBSERecord* Bse;
    };
    void ReadTable();
    void RegisterInCache();

    std::vector<TBlipRef> FBlips;
    TXlsString FShapeName;
};

class TEscherClientAnchorRecord final : public TEscherClass<TEscherClientAnchorRecord, TEscherDataRecord> {
public:
    TEscherClientAnchorRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    TEscherClientAnchorRecord(const TClientAnchor& aAnchor, const TEscherContext& aContext);
    TEscherClientAnchorRecord(const TEscherClientAnchorRecord& aSource, const TEscherContext& aContext);
    ~TEscherClientAnchorRecord() override;

    // A shorter atom (not a cell anchor) has none.
    bool HasAnchor() const { return Data().size() >= 18; }
    TClientAnchor GetAnchor() const;
    void SetAnchor(const TClientAnchor& aAnchor);

    // Rows (aRowCount) or columns (aColCount) inserted (above 0) or deleted
    // (below 0) at aPos on the anchor's own sheet, moved by its Flag (or as
    // 2 when aForced).
    void MoveRows(std::int32_t aPos, std::int32_t aCount, bool aForced) { Move(true, aPos, aCount, aForced); }
    void MoveCols(std::int32_t aPos, std::int32_t aCount, bool aForced) { Move(false, aPos, aCount, aForced); }
    void Offset(std::int32_t aRows, std::int32_t aCols);

    void SaveRect(const TSheetGeometry& aGeometry);
    void RestoreRect(const TSheetGeometry& aGeometry);

private:
    void Register();
    void Move(bool aRows, std::int32_t aPos, std::int32_t aCount, bool aForced);
    std::optional<TAbsoluteRect> FSavedRect;
};

// A client data or client text box atom: the BIFF records (OBJ or TXO) it
// stands for follow the drawing record it is in.
class TEscherClientRecord : public TEscherDataRecord {
public:
    TEscherClientRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    TEscherClientRecord(std::uint16_t aId, std::unique_ptr<TBaseClientData> aClientData, const TEscherContext& aContext);
    TEscherClientRecord(const TEscherClientRecord& aSource, const TEscherContext& aContext);
    ~TEscherClientRecord() override;

    // The BIFF record the client data starts with.
    std::uint16_t ExpectedRecord() const;
    TBaseClientData* ClientData() const { return FClientData.get(); }
    // Takes the loaded client data; the drawing's largest object id follows it.
    void AssignClientData(std::unique_ptr<TBaseClientData> aClientData);
    std::uint16_t ObjId() const;

    bool WaitingClientData() const override { return Loaded() && !FClientData; }
    void SplitRecords(TSplitState& aState) const override;
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo) override;
    void ArrangeCopySheet(const TSheetInfo& SheetInfo) override;
    void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset) override;

protected:
    void SaveBody(TOle2File& DataStream, TBreakList& Breaks) override;

private:
    void Register();
    std::unique_ptr<TBaseClientData> FClientData;
};

class TEscherClientDataRecord final : public TEscherClass<TEscherClientDataRecord, TEscherClientRecord> {
public:
    using TEscherClass::TEscherClass;
};

// A shape: the children of the kinds it needs are found as they join.
class TEscherSpContainerRecord final : public TEscherClass<TEscherSpContainerRecord, TEscherContainerRecord> {
public:
    using TEscherClass::TEscherClass;
    // An empty shape container.
    explicit TEscherSpContainerRecord(const TEscherContext& aContext);

    TEscherSPRecord* SP() const { return FSP; }
    TEscherOPTRecord* Opt() const { return FOpt; }
    TEscherClientAnchorRecord* ClientAnchor() const { return FClientAnchor; }
    TEscherClientRecord* ClientData() const { return FClientData; }
    TEscherClientRecord* ClientTextBox() const { return FClientTextBox; }

protected:
    void ChildAdded(TEscherRecord& aChild) override;
    void ChildRemoved(const TEscherRecord& aChild) override;

private:
    TEscherSPRecord* FSP = nullptr;
    TEscherOPTRecord* FOpt = nullptr;
    TEscherClientAnchorRecord* FClientAnchor = nullptr;
    TEscherClientRecord* FClientData = nullptr;
    TEscherClientRecord* FClientTextBox = nullptr;
};

// A group of shapes; the first group of a drawing is its patriarch.
class TEscherSpgrContainerRecord final : public TEscherClass<TEscherSpgrContainerRecord, TEscherContainerRecord> {
public:
    TEscherSpgrContainerRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    TEscherSpgrContainerRecord(const TEscherSpgrContainerRecord& aSource, const TEscherContext& aContext);
    ~TEscherSpgrContainerRecord() override;

private:
    void Register();
};

// The rules of a drawing (connectors, callouts); they refer to shapes by id.
class TEscherSolverContainerRecord final
    : public TEscherClass<TEscherSolverContainerRecord, TEscherContainerRecord> {
public:
    // Fails with "Error loading Escher record. Duplicated Solver container" for a second one.
    TEscherSolverContainerRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext);
    TEscherSolverContainerRecord(const TEscherSolverContainerRecord& aSource, const TEscherContext& aContext);
    ~TEscherSolverContainerRecord() override;

    std::uint32_t MaxRuleId = 0;
    // Turns the rules' shape ids into shapes (after a load).
    void FixPointers(TEscherShapeCache& aShapes);
    // After a copy: rules refer to the copies of the shapes they referred to.
    void FixCopiedPointers();
    // Frees every rule that refers to the shape.
    void DeleteRef(const TEscherSPRecord& aShape);

private:
    void Register();
};

// The shape container a record lies in, or none.
TEscherSpContainerRecord* EnclosingShape(TEscherRecord& aRecord);

}  // namespace xls
