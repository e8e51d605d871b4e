#include "workbook/zip_writer.h"

#include <zip.h>

#include <ctime>

#include "host/error.h"

namespace q9 {

namespace {

// `what` is a catalog template; `part` fills its "%1".
[[noreturn]] void Fail(const std::string& what, const std::string& part = {}) {
    throw HostError(CatalogError(error_number::kCannotCreateObject, what, {part}));
}

// The archive goes straight into the caller's open file; closing it is the caller's.
voidpf ZCALLBACK OpenFile(voidpf opaque, const void*, int) {
    return opaque;
}
uLong ZCALLBACK ReadFile(voidpf, voidpf stream, void* buffer, uLong size) {
    return static_cast<uLong>(std::fread(buffer, 1, size, static_cast<std::FILE*>(stream)));
}
uLong ZCALLBACK WriteFile(voidpf, voidpf stream, const void* buffer, uLong size) {
    return static_cast<uLong>(std::fwrite(buffer, 1, size, static_cast<std::FILE*>(stream)));
}
ZPOS64_T ZCALLBACK TellFile(voidpf, voidpf stream) {
    const long at = std::ftell(static_cast<std::FILE*>(stream));
    return at < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(at);
}
long ZCALLBACK SeekFile(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    int whence = SEEK_SET;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) whence = SEEK_CUR;
    if (origin == ZLIB_FILEFUNC_SEEK_END) whence = SEEK_END;
    return std::fseek(static_cast<std::FILE*>(stream), static_cast<long>(offset), whence);
}
int ZCALLBACK CloseFile(voidpf, voidpf) {
    return 0;
}
int ZCALLBACK FileError(voidpf, voidpf stream) {
    return std::ferror(static_cast<std::FILE*>(stream));
}

zip_fileinfo Now() {
    zip_fileinfo info{};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) {
        info.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
        info.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
        info.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
        info.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
        info.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
        info.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
    }
    return info;
}

}  // namespace

void ZipWriter::ZipCloser::operator()(void* zip) const {
    zipClose(static_cast<zipFile>(zip), nullptr);
}

ZipWriter::ZipWriter(std::FILE* file) {
    zlib_filefunc64_def functions{OpenFile, ReadFile,  WriteFile, TellFile,
                                  SeekFile, CloseFile, FileError, file};
    zip_.reset(zipOpen2_64("workbook", APPEND_STATUS_CREATE, nullptr, &functions));
    if (!zip_) Fail("不能生成工作簿压缩包：没有压缩包");
}

ZipWriter::~ZipWriter() = default;

void ZipWriter::Add(const std::string& name, std::initializer_list<std::string_view> pieces) {
    auto zip = static_cast<zipFile>(zip_.get());
    const zip_fileinfo info = Now();
    if (zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 0) != ZIP_OK) {
        Fail("不能生成工作簿压缩包：部件%1未能开始", name);
    }
    // Written in pieces: one call takes at most an unsigned int of bytes.
    constexpr size_t kPiece = size_t{1} << 30;
    for (std::string_view content : pieces) {
        for (size_t at = 0; at < content.size(); at += kPiece) {
            const size_t size = std::min(kPiece, content.size() - at);
            if (zipWriteInFileInZip(zip, content.data() + at, static_cast<unsigned>(size)) !=
                ZIP_OK) {
                zipCloseFileInZip(zip);
                Fail("不能生成工作簿压缩包：部件%1未写入", name);
            }
        }
    }
    if (zipCloseFileInZip(zip) != ZIP_OK) Fail("不能生成工作簿压缩包：部件%1未完成", name);
}

void ZipWriter::Finish() {
    const int result = zipClose(static_cast<zipFile>(zip_.release()), nullptr);
    if (result != ZIP_OK) Fail("不能生成工作簿压缩包：目录未写入");
}

}  // namespace q9
