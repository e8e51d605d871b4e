#include "workbook/compound_file_writer.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <memory>
#include <mutex>

#include "host/error.h"

namespace q9 {

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

void EnsureGsf() {
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
}

[[noreturn]] void Fail(const char* what) {
    throw HostError(
        CatalogError(error_number::kCannotCreateObject, "不能生成工作簿容器：%1", {what}));
}

// Closes an output on every path; an explicit Close reports whether it succeeded.
class OpenOutput {
  public:
    explicit OpenOutput(GsfOutput* output) : output_(output) {}
    ~OpenOutput() {
        if (!closed_ && !gsf_output_is_closed(output_)) gsf_output_close(output_);
    }
    OpenOutput(const OpenOutput&) = delete;
    OpenOutput& operator=(const OpenOutput&) = delete;
    bool Close() {
        closed_ = true;
        return gsf_output_close(output_);
    }

  private:
    GsfOutput* output_;
    bool closed_ = false;
};

}  // namespace

void WriteCompoundFile(std::FILE* file, const std::string& streamName,
                       std::span<const uint8_t> stream) {
    EnsureGsf();
    // Straight into the file: the stream is the bulk of it and is not copied again.
    GObjectPtr<GsfOutput> sink(gsf_output_stdio_new_FILE("workbook", file, TRUE));
    if (!sink) Fail("没有输出");
    GObjectPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
    if (!ole) Fail("没有复合文档");
    OpenOutput sinkOpen(sink.get());
    OpenOutput oleOpen(GSF_OUTPUT(ole.get()));
    GObjectPtr<GsfOutput> child(gsf_outfile_new_child(ole.get(), streamName.c_str(), FALSE));
    if (!child) Fail("没有数据流");
    {
        OpenOutput childOpen(child.get());
        if (!stream.empty() && !gsf_output_write(child.get(), stream.size(), stream.data())) {
            Fail("数据流未写入");
        }
        if (!childOpen.Close()) Fail("数据流未关闭");
    }
    if (!oleOpen.Close()) Fail("目录未写入");
    // Closing the container may already have closed its sink.
    if (!gsf_output_is_closed(sink.get()) && !sinkOpen.Close()) Fail("文件未完成");
}

}  // namespace q9
