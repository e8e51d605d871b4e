#pragma once

#include <ostream>

#include "command.h"
#include "export/export_outcome.h"
#include "host/document_kind.h"

namespace q9::cli {

// export KIND FILE [--overwrite | --keep]: the export button of one document kind.
class ExportCommand : public Command {
  public:
    static std::unique_ptr<Command> Parse(const std::vector<std::string>& arguments,
                                          GlobalOptions& global);

    int Run(const GlobalOptions& global, Terminal& terminal) override;

  private:
    DocumentKind kind_ = DocumentKind::PurchaseOrder;
    std::string file_;
    bool overwrite_ = false;
    bool keep_ = false;
};

// What the export did, for stderr: the lines and files written, or why nothing was.
void PrintExportSummary(const ExportOutcome& outcome, std::ostream& out);

// po | so | payable | receivable; UsageError otherwise.
DocumentKind ParseDocumentKind(const std::string& text);

}  // namespace q9::cli
