#pragma once

#include <memory>

namespace kiro {

class TFormMain;
class TFormData;
class TFormDataPDB;
class TFormPartList;
class TFormLegend;
class TdlgPDBSelInfo;

// Everything the program creates at start, in creation order. Destroyed in
// reverse order.
struct ProgramParts {
    ProgramParts();
    ~ProgramParts();
    ProgramParts(const ProgramParts&) = delete;
    ProgramParts& operator=(const ProgramParts&) = delete;

    std::unique_ptr<TFormMain> main;
    std::unique_ptr<TFormData> data;
    std::unique_ptr<TFormDataPDB> pdb;
    std::unique_ptr<TFormPartList> partList;
    std::unique_ptr<TFormLegend> legend;
    std::unique_ptr<TdlgPDBSelInfo> selInfo;
};

// The program entry up to the event loop: the application title, the main
// window, the logon gate and, after a logon, the data modules and tool
// windows. Returns false when the logon was cancelled; then nothing is left
// in parts and nothing was written.
bool StartProgram(ProgramParts& parts);

} // namespace kiro
