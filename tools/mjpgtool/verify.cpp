// mjpgtool verify: an export's signatures and digests checked, one line per
// check; the exit status tells whether everything holds.
#include "commandline.h"
#include "commands.h"

#include "export/exportmodule.h"

#include <iostream>

int RunVerify(const TArguments& cl)
{
    if (cl.Positional.size() != 1)
        throw EUsageError("verify: нужен один файл экспорта");
    const TVerifyReport report = ExportModule::VerifyExport(cl.Positional[0], cl.Value("cafile").value_or(""));
    for (size_t i = 0; i < report.Lines.size(); ++i) {
        // What kept the check from ending goes to the error output.
        if (report.Status == TVerifyStatus::IOError && i + 1 == report.Lines.size())
            std::cerr << "mjpgtool: " << report.Lines[i].Text << "\n";
        else
            std::cout << report.Lines[i].Text << "\n";
    }
    switch (report.Status) {
    case TVerifyStatus::Holds:
        return esOk;
    case TVerifyStatus::Mismatch:
        return esInvalid;
    case TVerifyStatus::Untrusted:
        return esUntrusted;
    case TVerifyStatus::IOError:
        break;
    }
    return esIOError;
}
