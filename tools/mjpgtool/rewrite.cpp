// mjpgtool rewrite: a fragment loaded and saved again by the writer.
#include "commands.h"
#include "commandline.h"
#include "fragmentfiles.h"

#include <iostream>

int RunRewrite(const TArguments& cl)
{
    if (cl.Positional.size() != 2)
        throw EUsageError("rewrite: нужны входной и выходной файлы");
    const std::string& in = cl.Positional[0];
    const std::string& out = cl.Positional[1];

    // Loaded whole before the output is created, so IN and OUT may be one file.
    const auto image = LoadFragmentFile(in);
    if (!image->Header->IsValid()) {
        std::cerr << "mjpgtool: \"" << in << "\" не является фрагментом MJPG; \"" << out << "\" не создан\n";
        return esInvalid;
    }
    TReplacingFile file(out);
    image->SaveToStream(&file.Stream());
    file.Commit();
    return esOk;
}
