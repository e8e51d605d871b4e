#include "workbook/zip_xml_package.h"

#include <expat.h>
#include <unzip.h>

#include <exception>
#include <filesystem>
#include <vector>

#include "workbook/sheet_table.h"

namespace q9 {

namespace {

std::string_view LocalName(const char* name) {
    std::string_view text(name);
    if (auto colon = text.rfind(':'); colon != std::string_view::npos)
        text.remove_prefix(colon + 1);
    return text;
}

// Carries the handler's exceptions across expat's C frames: a callback that throws stops the
// parser and the exception is raised again once XML_Parse has returned.
struct ParseSession {
    XmlPartHandler& handler;
    XML_Parser parser;
    std::exception_ptr failure;

    template <typename F>
    void Guard(F&& f) {
        if (failure) return;
        try {
            f();
        } catch (...) {
            failure = std::current_exception();
            XML_StopParser(parser, XML_FALSE);
        }
    }
};

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* session = static_cast<ParseSession*>(data);
    session->Guard([&] { session->handler.StartElement(LocalName(name), attributes); });
}

void XMLCALL OnEnd(void* data, const XML_Char* name) {
    auto* session = static_cast<ParseSession*>(data);
    session->Guard([&] { session->handler.EndElement(LocalName(name)); });
}

void XMLCALL OnCharacters(void* data, const XML_Char* text, int length) {
    auto* session = static_cast<ParseSession*>(data);
    session->Guard(
        [&] { session->handler.Characters(std::string_view(text, static_cast<size_t>(length))); });
}

// Parts of a workbook never need a document type; refusing one keeps entity tricks out.
void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto* session = static_cast<ParseSession*>(data);
    session->Guard([] { ThrowWorkbookError("The workbook contains an XML document type."); });
}

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

const char* FindAttribute(const char** attributes, std::string_view name) {
    for (const char** a = attributes; a && a[0]; a += 2) {
        if (LocalName(a[0]) == name) return a[1];
    }
    return nullptr;
}

const char* FindPrefixedAttribute(const char** attributes, std::string_view name) {
    for (const char** a = attributes; a && a[0]; a += 2) {
        std::string_view full(a[0]);
        if (full.find(':') != std::string_view::npos && LocalName(a[0]) == name) return a[1];
    }
    return nullptr;
}

void ZipXmlPackage::ZipCloser::operator()(void* zip) const {
    unzClose(static_cast<unzFile>(zip));
}

ZipXmlPackage::ZipXmlPackage(const std::string& path) {
    std::error_code error;
    fileSize_ = std::filesystem::file_size(path, error);
    if (error) ThrowWorkbookError("The workbook cannot be opened: " + error.message() + ".");
    zip_.reset(unzOpen64(path.c_str()));
    if (!zip_) {
        ThrowWorkbookError("The workbook is damaged: its zip container cannot be read.");
    }
}

ZipXmlPackage::~ZipXmlPackage() = default;

bool ZipXmlPackage::HasPart(const std::string& partName) {
    return unzLocateFile(static_cast<unzFile>(zip_.get()), partName.c_str(), 2) == UNZ_OK;
}

void ZipXmlPackage::ParsePart(const std::string& partName, XmlPartHandler& handler) {
    auto zip = static_cast<unzFile>(zip_.get());
    if (unzLocateFile(zip, partName.c_str(), 2) != UNZ_OK) {
        ThrowWorkbookError("The workbook is damaged: its part " + partName + " is missing.");
    }
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(zip) != UNZ_OK) {
        ThrowWorkbookError("The workbook is damaged: its part " + partName +
                           " cannot be unpacked.");
    }
    struct CurrentFileCloser {
        unzFile zip;
        ~CurrentFileCloser() {
            if (zip) unzCloseCurrentFile(zip);
        }
    } closer{zip};

    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate("UTF-8"));
    if (!parser) throw std::bad_alloc();
    ParseSession session{handler, parser.get(), nullptr};
    XML_SetUserData(parser.get(), &session);
    XML_SetElementHandler(parser.get(), OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser.get(), OnCharacters);
    XML_SetStartDoctypeDeclHandler(parser.get(), OnDoctype);

    // The directory's compressed size may lie; the file cannot hold more than its own size.
    const uint64_t compressed = std::min<uint64_t>(info.compressed_size, fileSize_);
    uint64_t inflated = 0;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        int read = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (read < 0) {
            ThrowWorkbookError("The workbook is damaged: its part " + partName +
                               " cannot be unpacked.");
        }
        inflated += static_cast<uint64_t>(read);
        inflatedTotal_ += static_cast<uint64_t>(read);
        if (inflatedTotal_ > kMaxInflatedBytes) {
            ThrowWorkbookError("The workbook unpacks to more than " +
                               std::to_string(kMaxInflatedBytes >> 20) + " MiB.");
        }
        if (inflated > kRatioCheckedFrom && inflated > compressed * kMaxCompressionRatio) {
            ThrowWorkbookError("The workbook's part " + partName +
                               " unpacks to an implausible size.");
        }
        const bool last = read == 0;
        if (XML_Parse(parser.get(), buffer.data(), read, last ? XML_TRUE : XML_FALSE) !=
            XML_STATUS_OK) {
            if (session.failure) std::rethrow_exception(session.failure);
            ThrowWorkbookError("The workbook is damaged: " + partName + " line " +
                               std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": " +
                               XML_ErrorString(XML_GetErrorCode(parser.get())) + ".");
        }
        if (session.failure) std::rethrow_exception(session.failure);
        if (last) break;
    }
    closer.zip = nullptr;
    if (unzCloseCurrentFile(zip) == UNZ_CRCERROR) {
        ThrowWorkbookError("The workbook is damaged: its part " + partName +
                           " fails its checksum.");
    }
}

std::string ResolvePartTarget(const std::string& sourcePart, const std::string& target) {
    std::string joined;
    if (!target.empty() && target.front() == '/') {
        joined = target.substr(1);
    } else {
        auto slash = sourcePart.rfind('/');
        joined =
            (slash == std::string::npos ? std::string() : sourcePart.substr(0, slash + 1)) + target;
    }
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == std::string::npos) end = joined.size();
        std::string segment = joined.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(std::move(segment));
        }
        start = end + 1;
    }
    std::string result;
    for (const auto& segment : segments) {
        if (!result.empty()) result += '/';
        result += segment;
    }
    return result;
}

}  // namespace q9
