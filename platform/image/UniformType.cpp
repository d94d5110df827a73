#include "platform/image/UniformType.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace orvane {

namespace {

struct TypeEntry {
    std::string identifier;
    std::vector<std::string> parents;
    std::vector<std::string> extensions; // the first is the preferred one
    std::string description;
};

const std::vector<TypeEntry>& table() {
    static const std::vector<TypeEntry> entries = {
        {"public.item", {}, {}, "item"},
        {"public.data", {"public.item"}, {}, "data"},
        {"public.content", {}, {}, "content"},
        {"public.image", {"public.data", "public.content"}, {}, "image"},
        {"public.jpeg", {"public.image"}, {"jpeg", "jpg", "jpe", "jfif", "jif"}, "JPEG image"},
        {"public.png", {"public.image"}, {"png"}, "PNG image"},
        {"public.heif-standard", {"public.image"}, {}, "HEIF standard image"},
        {"public.heic", {"public.heif-standard"}, {"heic", "hif"}, "HEIF image"},
        {"public.heif", {"public.heif-standard"}, {"heif"}, "HEIF image"},
        {"public.avif", {"public.image"}, {"avif"}, "AVIF image"},
        {"org.webmproject.webp", {"public.image"}, {"webp"}, "WebP image"},
        {"public.tiff", {"public.image"}, {"tiff", "tif"}, "TIFF image"},
        {"com.compuserve.gif", {"public.image"}, {"gif"}, "GIF image"},
        {"com.microsoft.bmp", {"public.image"}, {"bmp", "dib"}, "Windows bitmap image"},
        {"public.camera-raw-image", {"public.image"}, {}, "camera raw image"},
        {"com.adobe.raw-image", {"public.camera-raw-image"}, {"dng"}, "Digital Negative raw image"},
        {"com.canon.cr2-raw-image", {"public.camera-raw-image"}, {"cr2"}, "Canon CR2 raw image"},
        {"com.canon.cr3-raw-image", {"public.camera-raw-image"}, {"cr3"}, "Canon CR3 raw image"},
        {"com.canon.crw-raw-image", {"public.camera-raw-image"}, {"crw"}, "Canon CRW raw image"},
        {"com.nikon.raw-image", {"public.camera-raw-image"}, {"nef"}, "Nikon raw image"},
        {"com.nikon.nrw-raw-image", {"public.camera-raw-image"}, {"nrw"}, "Nikon NRW raw image"},
        {"com.sony.arw-raw-image", {"public.camera-raw-image"}, {"arw"}, "Sony ARW raw image"},
        {"com.sony.sr2-raw-image", {"public.camera-raw-image"}, {"sr2"}, "Sony SR2 raw image"},
        {"com.sony.raw-image", {"public.camera-raw-image"}, {"srf"}, "Sony raw image"},
        {"com.fuji.raw-image", {"public.camera-raw-image"}, {"raf"}, "Fujifilm raw image"},
        {"com.olympus.raw-image", {"public.camera-raw-image"}, {"orf", "ori"}, "Olympus raw image"},
        {"com.panasonic.rw2-raw-image", {"public.camera-raw-image"}, {"rw2"}, "Panasonic RW2 raw image"},
        {"com.panasonic.raw-image", {"public.camera-raw-image"}, {"raw"}, "Panasonic raw image"},
        {"com.pentax.raw-image", {"public.camera-raw-image"}, {"pef", "ptx"}, "Pentax raw image"},
        {"com.samsung.raw-image", {"public.camera-raw-image"}, {"srw"}, "Samsung raw image"},
        {"com.leica.raw-image", {"public.camera-raw-image"}, {"rwl"}, "Leica raw image"},
        {"com.hasselblad.3fr-raw-image", {"public.camera-raw-image"}, {"3fr", "fff"}, "Hasselblad raw image"},
        {"com.phaseone.raw-image", {"public.camera-raw-image"}, {"iiq", "cap", "eip"}, "Phase One raw image"},
        {"com.sigma.raw-image", {"public.camera-raw-image"}, {"x3f"}, "Sigma raw image"},
        {"com.epson.raw-image", {"public.camera-raw-image"}, {"erf"}, "Epson raw image"},
        {"com.kodak.raw-image",
         {"public.camera-raw-image"},
         {"dcr", "kdc", "dcs", "drf", "k25"},
         "Kodak raw image"},
        {"com.konicaminolta.raw-image", {"public.camera-raw-image"}, {"mrw", "mdc"}, "Minolta raw image"},
        {"com.mamiya.raw-image", {"public.camera-raw-image"}, {"mef", "mfw"}, "Mamiya raw image"},
        {"com.leafamerica.raw-image", {"public.camera-raw-image"}, {"mos"}, "Leaf raw image"},
        {"com.arri.raw-image", {"public.camera-raw-image"}, {"ari"}, "ARRI raw image"},
        {"com.casio.raw-image", {"public.camera-raw-image"}, {"bay"}, "Casio raw image"},
        {"com.sinar.raw-image", {"public.camera-raw-image"}, {"sti"}, "Sinar raw image"},
        {"com.logitech.raw-image", {"public.camera-raw-image"}, {"pxn"}, "Logitech raw image"},
    };
    return entries;
}

std::optional<std::size_t> indexOf(std::string_view identifier) {
    const auto& entries = table();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].identifier == identifier) {
            return i;
        }
    }
    return std::nullopt;
}

std::string lowercase(std::string_view text) {
    std::string out(text);
    std::ranges::transform(out, out.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

std::optional<UniformType> UniformType::fromIdentifier(std::string_view identifier) {
    if (const auto index = indexOf(identifier)) {
        return UniformType(*index);
    }
    return std::nullopt;
}

std::optional<UniformType> UniformType::fromFilenameExtension(std::string_view extension,
                                                              std::string_view conformingTo) {
    const std::string wanted = lowercase(extension);
    const auto& entries = table();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (std::ranges::find(entries[i].extensions, wanted) != entries[i].extensions.end()) {
            const UniformType type(i);
            if (type.conforms(conformingTo)) {
                return type;
            }
        }
    }
    return std::nullopt;
}

std::vector<UniformType> UniformType::allConforming(const UniformType& type) {
    std::vector<UniformType> found;
    for (std::size_t i = 0; i < table().size(); ++i) {
        if (UniformType(i).conforms(type)) {
            found.push_back(UniformType(i));
        }
    }
    return found;
}

UniformType UniformType::known(std::string_view identifier) {
    const auto index = indexOf(identifier);
    if (!index) {
        throw std::logic_error("unknown built-in type");
    }
    return UniformType(*index);
}

UniformType UniformType::data() {
    return known("public.data");
}
UniformType UniformType::image() {
    return known("public.image");
}
UniformType UniformType::rawImage() {
    return known("public.camera-raw-image");
}
UniformType UniformType::jpeg() {
    return known("public.jpeg");
}
UniformType UniformType::png() {
    return known("public.png");
}
UniformType UniformType::heic() {
    return known("public.heic");
}
UniformType UniformType::avif() {
    return known("public.avif");
}
UniformType UniformType::webp() {
    return known("org.webmproject.webp");
}
UniformType UniformType::tiff() {
    return known("public.tiff");
}
UniformType UniformType::gif() {
    return known("com.compuserve.gif");
}
UniformType UniformType::bmp() {
    return known("com.microsoft.bmp");
}

const std::string& UniformType::identifier() const {
    return table()[index_].identifier;
}
const std::string& UniformType::localizedDescription() const {
    return table()[index_].description;
}
const std::vector<std::string>& UniformType::filenameExtensions() const {
    return table()[index_].extensions;
}

std::optional<std::string> UniformType::preferredFilenameExtension() const {
    const auto& extensions = filenameExtensions();
    if (extensions.empty()) {
        return std::nullopt;
    }
    return extensions.front();
}

bool UniformType::conforms(std::string_view identifier) const {
    const TypeEntry& entry = table()[index_];
    if (entry.identifier == identifier) {
        return true;
    }
    return std::ranges::any_of(entry.parents, [&](const std::string& parent) {
        const auto index = indexOf(parent);
        return index && UniformType(*index).conforms(identifier);
    });
}

bool UniformType::conforms(const UniformType& other) const {
    return conforms(other.identifier());
}

} // namespace orvane
