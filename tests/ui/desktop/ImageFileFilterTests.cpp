#include "tests/support/TemporaryDirectory.h"
#include "ui/desktop/ImageFileFilter.h"

#include <QDir>
#include <QRegularExpression>
#include <fstream>
#include <gtest/gtest.h>

namespace orvane {
namespace {

// Photos under every name the decoder reads them by can be picked without changing the filter:
// HEIF under its own extension, JPEG as .jfif, DNG and the other cameras' RAW files, names in
// capitals as cameras write them.
TEST(ImageFileFilter, ListsEveryPhotoTheDecoderReadsAndNothingElse) {
    test::TemporaryDirectory folder;
    for (const char* name :
         {"owl.heif", "owl.jfif", "owl.dng", "OWL.JPG",   "a.NEF",    "b.cr3",        "c.arw", "d.raf",
          "e.orf",    "f.rw2",    "g.hif",   "h.avif",    "i.webp",   "j.tiff",       "k.bmp", "l.gif",
          "m.png",    "n.pef",    "o.srw",   "notes.txt", "clip.mp4", "owl.jpg.part", "jpg"}) {
        std::ofstream(folder / name) << "x";
    }
    // What the open panels list in the folder, as their filter's patterns pick it.
    const QRegularExpressionMatch match = QRegularExpression(R"(\((.*)\)$)").match(imageFileFilter());
    const QStringList patterns = match.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList listed =
        QDir(QString::fromStdString(folder.path().string())).entryList(patterns, QDir::Files, QDir::Name);
    EXPECT_EQ(listed.join(QLatin1Char(' ')).toStdString(),
              "OWL.JPG a.NEF b.cr3 c.arw d.raf e.orf f.rw2 g.hif h.avif i.webp j.tiff k.bmp l.gif m.png "
              "n.pef o.srw owl.dng owl.heif owl.jfif");
}

} // namespace
} // namespace orvane
