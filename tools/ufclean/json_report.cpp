#include "json_report.h"

#include "app.h"
#include "run_record.h"
#include "pipeline/run_report.h"
#include "text/json_writer.h"

namespace ufclean {

bool WriteJsonReport(const std::wstring& path, const std::wstring& command,
                     const host::Pipeline& run, bool stopped) {
    host::JsonWriter json;
    json.BeginObject();
    host::WriteRunReport(&json, command, stopped, run);
    WriteRunFields(&json, stopped ? kExitStopped : kExitOk);
    json.EndObject();
    return WriteReportText(path, json.Text() + "\n");
}

}  // namespace ufclean
