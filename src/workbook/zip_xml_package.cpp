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
    session->Guard([] { ThrowWorkbookError("工作簿含有XML文档类型声明。"); });
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
    if (error) ThrowWorkbookError("不能打开工作簿：%1。", {error.message()});
    zip_.reset(unzOpen64(path.c_str()));
    if (!zip_) {
        ThrowWorkbookError("工作簿已损坏：不能读取其zip容器。");
    }
}

ZipXmlPackage::~ZipXmlPackage() = default;

bool ZipXmlPackage::HasPart(const std::string& partName) {
    return unzLocateFile(static_cast<unzFile>(zip_.get()), partName.c_str(), 2) == UNZ_OK;
}

void ZipXmlPackage::ParsePart(const std::string& partName, XmlPartHandler& handler) {
    auto zip = static_cast<unzFile>(zip_.get());
    if (unzLocateFile(zip, partName.c_str(), 2) != UNZ_OK) {
        ThrowWorkbookError("工作簿已损坏：缺少部件%1。", {partName});
    }
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(zip) != UNZ_OK) {
        ThrowWorkbookError("工作簿已损坏：部件%1不能解压。", {partName});
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
            ThrowWorkbookError("工作簿已损坏：部件%1不能解压。", {partName});
        }
        inflated += static_cast<uint64_t>(read);
        inflatedTotal_ += static_cast<uint64_t>(read);
        if (inflatedTotal_ > kMaxInflatedBytes) {
            ThrowWorkbookError("工作簿解压后超过%1 MiB。",
                               {std::to_string(kMaxInflatedBytes >> 20)});
        }
        if (inflated > kRatioCheckedFrom && inflated > compressed * kMaxCompressionRatio) {
            ThrowWorkbookError("工作簿的部件%1解压后的大小不合理。", {partName});
        }
        const bool last = read == 0;
        if (XML_Parse(parser.get(), buffer.data(), read, last ? XML_TRUE : XML_FALSE) !=
            XML_STATUS_OK) {
            if (session.failure) std::rethrow_exception(session.failure);
            ThrowWorkbookError("工作簿已损坏：%1第%2行：%3。",
                               {partName, std::to_string(XML_GetCurrentLineNumber(parser.get())),
                                XML_ErrorString(XML_GetErrorCode(parser.get()))});
        }
        if (session.failure) std::rethrow_exception(session.failure);
        if (last) break;
    }
    closer.zip = nullptr;
    if (unzCloseCurrentFile(zip) == UNZ_CRCERROR) {
        ThrowWorkbookError("工作簿已损坏：部件%1的校验和不符。", {partName});
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
