#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// A file type named by a reverse-DNS identifier ("public.jpeg"), with the types it conforms to,
// its file-name extensions and a description. Only the types this system deals in are known.
class UniformType {
public:
    static std::optional<UniformType> fromIdentifier(std::string_view identifier);
    // The type for a file-name extension (without the dot, any case), among types that conform
    // to `conformingTo`.
    static std::optional<UniformType> fromFilenameExtension(std::string_view extension,
                                                            std::string_view conformingTo = "public.data");

    // Every known type that conforms to `type`, the type itself included, in a fixed order.
    static std::vector<UniformType> allConforming(const UniformType& type);

    static UniformType data();
    static UniformType image();
    static UniformType rawImage();
    static UniformType jpeg();
    static UniformType png();
    static UniformType heic();
    static UniformType avif();
    static UniformType webp();
    static UniformType tiff();
    static UniformType gif();
    static UniformType bmp();

    const std::string& identifier() const;
    const std::string& localizedDescription() const;
    std::optional<std::string> preferredFilenameExtension() const;
    const std::vector<std::string>& filenameExtensions() const;
    // True for the type itself and everything it inherits from, transitively.
    bool conforms(const UniformType& other) const;
    bool conforms(std::string_view identifier) const;

    friend bool operator==(const UniformType& a, const UniformType& b) { return a.index_ == b.index_; }

private:
    explicit UniformType(std::size_t index)
        : index_(index) {}
    static UniformType known(std::string_view identifier);
    std::size_t index_;
};

} // namespace orvane
