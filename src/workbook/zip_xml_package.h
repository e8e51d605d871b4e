#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace q9 {

// Receives the elements of one XML part, names without their namespace prefix.
class XmlPartHandler {
  public:
    virtual ~XmlPartHandler() = default;
    // `attributes` alternates names and values and ends with a null pointer, as expat gives them.
    virtual void StartElement(std::string_view name, const char** attributes) = 0;
    virtual void EndElement(std::string_view name) = 0;
    virtual void Characters(std::string_view text) = 0;
};

// Value of the attribute whose name without prefix is `name`, or null.
const char* FindAttribute(const char** attributes, std::string_view name);
// Value of a prefixed attribute whose local name is `name` ("r:id"), or null.
const char* FindPrefixedAttribute(const char** attributes, std::string_view name);

// A zip package (an .xlsx workbook, or another format built the same way), its parts streamed
// through an XML parser. Inflating is bounded in total and per part, so that a small crafted
// file cannot make us inflate gigabytes. Every failure throws HostError (workbook).
class ZipXmlPackage {
  public:
    static constexpr uint64_t kMaxInflatedBytes = 512ULL << 20;
    static constexpr uint64_t kMaxCompressionRatio = 500;
    static constexpr uint64_t kRatioCheckedFrom = 4ULL << 20;

    explicit ZipXmlPackage(const std::string& path);
    ~ZipXmlPackage();
    ZipXmlPackage(const ZipXmlPackage&) = delete;
    ZipXmlPackage& operator=(const ZipXmlPackage&) = delete;

    // Part names as in the zip, without a leading "/"; compared without letter case.
    bool HasPart(const std::string& partName);
    void ParsePart(const std::string& partName, XmlPartHandler& handler);

  private:
    struct ZipCloser {
        void operator()(void* zip) const;
    };
    std::unique_ptr<void, ZipCloser> zip_;
    uint64_t fileSize_ = 0;
    uint64_t inflatedTotal_ = 0;
};

// The part a relationship target names: absolute targets ("/xl/worksheets/sheet1.xml") from
// the package root, relative ones ("worksheets/sheet1.xml") from the source part's folder.
std::string ResolvePartTarget(const std::string& sourcePart, const std::string& target);

}  // namespace q9
