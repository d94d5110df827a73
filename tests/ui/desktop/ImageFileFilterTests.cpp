#include "core/ImageFiles.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "ui/desktop/ImageFileFilter.h"

#include <QDir>
#include <QRegularExpression>
#include <fstream>
#include <gtest/gtest.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// What the open panels list in a folder, as their filter's patterns pick it.
QStringList listed(const fs::path& folder) {
    const QRegularExpressionMatch match = QRegularExpression(R"(\((.*)\)$)").match(imageFileFilter());
    const QStringList patterns = match.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return QDir(QString::fromStdString(folder.string())).entryList(patterns, QDir::Files, QDir::Name);
}

// Photos under every name the decoder reads them by can be picked without changing the filter:
// HEIF under its own extension, JPEG as .jfif, DNG and the other cameras' RAW files, names in
// capitals as cameras write them.
TEST(ImageFileFilter, ListsEveryPhotoTheDecoderReadsAndNothingElse) {
    test::TemporaryDirectory folder;
    const Bitmap photo = test::gradient(48, 32);
    write(folder / "owl.heif", test::encoded(photo, ConvertFormat::heic));
    write(folder / "owl.jfif", test::encoded(photo, ConvertFormat::jpeg));
    write(folder / "owl.dng", test::linearDng(48, 32));
    write(folder / "OWL.JPG", test::encoded(photo, ConvertFormat::jpeg));
    for (const char* name : {"owl.heif", "owl.jfif", "owl.dng", "OWL.JPG"}) {
        EXPECT_EQ(ImageFiles::loadFromURL(folder / name).width(), 48) << name;
    }
    for (const char* name :
         {"a.NEF", "b.cr3", "c.arw", "d.raf", "e.orf", "f.rw2", "g.hif", "h.avif", "i.webp", "j.tiff",
          "k.bmp", "l.gif", "m.png", "n.pef", "o.srw", "notes.txt", "clip.mp4", "owl.jpg.part", "jpg"}) {
        std::ofstream(folder / name) << "x";
    }
    EXPECT_EQ(listed(folder.path()).join(QLatin1Char(' ')).toStdString(),
              "OWL.JPG a.NEF b.cr3 c.arw d.raf e.orf f.rw2 g.hif h.avif i.webp j.tiff k.bmp l.gif m.png "
              "n.pef o.srw owl.dng owl.heif owl.jfif");
}

} // namespace
} // namespace orvane
