// The PN532 frame codec: listing replies of real tags, replies it must
// refuse, and the texts of their UIDs.
#include <QTest>

#include "Pn532Frames.h"
#include "StationFixture.h"
#include "TagText.h"

using namespace tagstation;
using namespace tagstation::test;

Q_DECLARE_METATYPE(tagstation::TBytes)

namespace {

// Replies as the PN532 sends them: the ACK frame, then the listing response.
const TBytes ClassicReply = Bytes({0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x0C, 0xF4, 0xD5, 0x4B,
                                   0x01, 0x01, 0x00, 0x04, 0x08, 0x04, 0xDE, 0xAD, 0xBE, 0xEF, 0x96, 0x00});
const TBytes Ntag215Reply =
    Bytes({0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x0F, 0xF1, 0xD5, 0x4B, 0x01,
           0x01, 0x00, 0x44, 0x00, 0x07, 0x04, 0x5A, 0x3C, 0x2A, 0x6E, 0x4F, 0x80, 0x92, 0x00});
const TBytes UltralightReply =
    Bytes({0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x0F, 0xF1, 0xD5, 0x4B, 0x01,
           0x01, 0x00, 0x44, 0x00, 0x07, 0x04, 0x2F, 0x6B, 0x0A, 0x3D, 0x51, 0x80, 0xDD, 0x00});
// A DESFire EV1: SAK 20, and its answer to select after the UID.
const TBytes DesfireReply =
    Bytes({0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x15, 0xEB, 0xD5, 0x4B, 0x01, 0x01, 0x03, 0x44,
           0x20, 0x07, 0x04, 0x31, 0x58, 0x1A, 0xC2, 0x2C, 0x80, 0x06, 0x75, 0x77, 0x81, 0x02, 0x80, 0x66, 0x00});

// One byte changed; the data checksum made right again, so that only the
// change itself can make the reply refused.
TBytes Changed(TBytes bytes, std::size_t at, int value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    const std::size_t dcs = 11 + std::size_t(bytes[9]);
    if (dcs < bytes.size()) bytes[dcs] = pn532::Checksum(TByteView(bytes).subspan(11, dcs - 11));
    return bytes;
}

TBytes Cut(const TBytes& bytes, std::size_t size)
{
    return TBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

}  // namespace

class Pn532FramesTest : public QObject {
    Q_OBJECT
private slots:
    void hostFramesAreSentAsTheyStand();
    void replyOfATag_data();
    void replyOfATag();
    void refusedReply_data();
    void refusedReply();
    void simulatorBuildsTheSameReplies();
    void chipNumberOfLongUids_data();
    void chipNumberOfLongUids();
};

void Pn532FramesTest::hostFramesAreSentAsTheyStand()
{
    const auto bytes = [](TByteView view) { return TBytes(view.begin(), view.end()); };
    QVERIFY(bytes(pn532::WakeUpBlock()) == Bytes({0x55, 0x55, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0xFF,
                                                  0x03, 0xFD, 0xD4, 0x14, 0x01, 0x17, 0x01}));
    QVERIFY(bytes(pn532::ListTargetsFrame()) ==
            Bytes({0x00, 0x00, 0xFF, 0x04, 0xFC, 0xD4, 0x4A, 0x02, 0x00, 0xE0, 0x00}));
    QVERIFY(bytes(pn532::VersionRequestFrame()) == Bytes({0x00, 0x00, 0xFF, 0x02, 0xFE, 0xD4, 0x02, 0x28, 0x00}));
    // The information frame rule, against the listing frame it gives.
    QVERIFY(pn532::InformationFrame(Bytes({0xD4, 0x4A, 0x02, 0x00})) == bytes(pn532::ListTargetsFrame()));
}

void Pn532FramesTest::replyOfATag_data()
{
    QTest::addColumn<TBytes>("reply");
    QTest::addColumn<int>("length");  // what the poll reads in all
    QTest::addColumn<QString>("uid");
    QTest::newRow("MIFARE Classic 1K") << ClassicReply << 25 << "DE AD BE EF";
    QTest::newRow("NTAG215") << Ntag215Reply << 28 << "04 5A 3C 2A 6E 4F 80";
    QTest::newRow("MIFARE Ultralight") << UltralightReply << 28 << "04 2F 6B 0A 3D 51 80";
    QTest::newRow("DESFire EV1") << DesfireReply << 34 << "04 31 58 1A C2 2C 80";
    QTest::newRow("without postamble") << Cut(Ntag215Reply, 27) << 28 << "04 5A 3C 2A 6E 4F 80";
}

void Pn532FramesTest::replyOfATag()
{
    QFETCH(TBytes, reply);
    QFETCH(int, length);
    QFETCH(QString, uid);
    // The poll reads 25 bytes first and then as many as their head asks for.
    QCOMPARE(pn532::TagReplyLength(Cut(reply, pn532::ShortestTagReply)), std::size_t(length));
    const auto found = pn532::TagUidOf(reply);
    QVERIFY(found);
    QCOMPARE(UidPanelText(*found), uid);
}

void Pn532FramesTest::refusedReply_data()
{
    QTest::addColumn<TBytes>("reply");
    QTest::newRow("ACK only") << Cut(ClassicReply, 6);
    QTest::newRow("7-byte reply cut to 25 bytes") << Cut(Ntag215Reply, 25);
    TBytes badChecksum = Ntag215Reply;
    badChecksum[26] = 0x93;
    QTest::newRow("checksum") << badChecksum;
    QTest::newRow("length checksum") << Changed(Ntag215Reply, 10, 0xF2);
    QTest::newRow("no ACK first") << Changed(ClassicReply, 4, 0x00);
    QTest::newRow("no start code") << Changed(ClassicReply, 8, 0xFE);
    QTest::newRow("from the host") << Changed(ClassicReply, 11, 0xD4);
    QTest::newRow("two targets") << Changed(ClassicReply, 13, 0x02);
    QTest::newRow("UID length 10") << Changed(Ntag215Reply, 18, 0x0A);
    QTest::newRow("UID length beyond the frame") << Changed(ClassicReply, 18, 0x07);
    QTest::newRow("ATS length wrong") << Changed(DesfireReply, 26, 0x05);
    // A response that came late, ahead of the next ACK.
    TBytes late(ClassicReply.begin() + 6, ClassicReply.end());
    late.insert(late.end(), ClassicReply.begin(), ClassicReply.begin() + 6);
    QTest::newRow("response before ACK") << late;
}

void Pn532FramesTest::refusedReply()
{
    QFETCH(TBytes, reply);
    QVERIFY(!pn532::TagUidOf(reply));
}

void Pn532FramesTest::simulatorBuildsTheSameReplies()
{
    const auto reply = [](const pn532::TTypeATarget& target) {
        TBytes bytes = TPn532Model::AckFrame();
        const TBytes response = pn532::ListingResponse(target);
        bytes.insert(bytes.end(), response.begin(), response.end());
        return bytes;
    };
    QVERIFY(reply(TPn532Model::TargetWithUid(Bytes({0xDE, 0xAD, 0xBE, 0xEF}))) == ClassicReply);
    QVERIFY(reply(TPn532Model::TargetWithUid(Bytes({0x04, 0x5A, 0x3C, 0x2A, 0x6E, 0x4F, 0x80}))) == Ntag215Reply);
    QVERIFY(reply({0x0344, 0x20, Bytes({0x04, 0x31, 0x58, 0x1A, 0xC2, 0x2C, 0x80}),
                   Bytes({0x06, 0x75, 0x77, 0x81, 0x02, 0x80})}) == DesfireReply);
}

void Pn532FramesTest::chipNumberOfLongUids_data()
{
    QTest::addColumn<TBytes>("uid");
    QTest::addColumn<QString>("chipNumber");
    QTest::newRow("4 bytes") << Bytes({0xDE, 0xAD, 0xBE, 0xEF}) << "4022250974";
    QTest::newRow("NTAG215") << Bytes({0x04, 0x5A, 0x3C, 0x2A, 0x6E, 0x4F, 0x80}) << "36116131592559108";
    QTest::newRow("Ultralight") << Bytes({0x04, 0x2F, 0x6B, 0x0A, 0x3D, 0x51, 0x80}) << "36118119628615428";
    // Beyond 2^53: a double would give 72057594037927936.
    QTest::newRow("largest") << Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) << "72057594037927935";
}

void Pn532FramesTest::chipNumberOfLongUids()
{
    QFETCH(TBytes, uid);
    QFETCH(QString, chipNumber);
    QCOMPARE(ChipNumberText(uid), chipNumber);
    QCOMPARE(UidHexText(uid).size(), 2 * static_cast<qsizetype>(uid.size()));
}

QTEST_MAIN(Pn532FramesTest)
#include "Pn532FramesTest.moc"
