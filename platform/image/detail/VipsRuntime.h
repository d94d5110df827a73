#pragma once

// Internal to the platform layer: the one libvips runtime and the bridges between its images and
// Bitmap.

#include "platform/image/Bitmap.h"

#include <vips/vips8>

namespace orvane::VipsRuntime {

// Starts libvips once per process, with its operation cache off (large one-off images must not
// pile up in it), without the loaders and savers that hand work to outside programs, and with the
// warnings of the log domains below kept off the terminal. Its code generator never writes into the
// home folder (see CodeGeneratorFolder).
void ensure();

// The GLib log domains that speak up about the files libvips is handed: its own, and GObject's
// (about a property value out of range, such as a file's resolution). Others are left alone.
inline constexpr const char* chattyLogDomains[] = {"VIPS", "GLib-GObject"};

// Whether libvips runs its generated vector code (it does where its code generator has a folder):
// its Lanczos rows then take weights of 6 fraction bits instead of 12. Starts libvips.
bool vectorPathEnabled();

// A view of the bitmap's pixels as a 4-band image; the bitmap must outlive the returned image.
vips::VImage view(const Bitmap& bitmap);

// Opaque bitmaps become 3 bands, the others 4 with straight alpha.
vips::VImage viewForEncoding(const Bitmap& straightOrOpaque);

// Any decoded image as 8-bit RGB, or RGBA with straight alpha, and the profile its samples are in:
// 16-bit samples are narrowed, grey is expanded, and colour that is not RGB (CMYK, Lab) is turned
// into sRGB. An RGB source keeps its embedded profile. Nothing is computed yet.
struct Rgb8 {
    vips::VImage image;
    ColorProfile profile;
};
Rgb8 rgb8(vips::VImage image);

// The same, computed into an RGBA bitmap.
Bitmap toBitmap(vips::VImage image);

// Pixels of an image that is already 8-bit with 3 or 4 bands; `fourBandAlpha` says how the
// fourth band of a 4-band image is to be read.
Bitmap bitmapFromBands(const vips::VImage& image, const ColorProfile& profile,
                       AlphaInfo fourBandAlpha = AlphaInfo::last);

// Resamples to exactly `width` × `height` with a Lanczos kernel; colour is weighted by coverage
// so that transparent pixels do not bleed into their neighbours. The sample format is kept.
vips::VImage resizeExactly(const vips::VImage& image, int width, int height);

// Decodes every pixel of a freshly loaded image (best loaded with sequential access) on the
// calling thread, into memory, keeping its metadata. libvips 8.14 can abort the process when a
// pixel error stops a multi-threaded evaluation (a race in its threadpool), and a damaged file is
// where decoding fails half-way: done here, the failure is an ordinary VError, and the threaded
// steps that follow read from memory and have nothing left to fail on.
vips::VImage decodedHere(const vips::VImage& loaded);

} // namespace orvane::VipsRuntime
