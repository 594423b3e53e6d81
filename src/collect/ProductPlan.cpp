#include "collect/ProductPlan.h"

#include "collect/ChildProcess.h"
#include "collect/ConfigFolderCopy.h"
#include "collect/LogFolderCopy.h"
#include "collect/MirroredFolder.h"
#include "collect/VersionInventory.h"

#include <tuple>
#include <vector>

namespace {

// What a product row does after its log folders.
enum class RowEnd {
    Nothing,
    Export,     // run the row's configurator, then copy an installed Struct.XML
    SingleFile, // copy one named file of the product folder
};

struct ProductRow {
    const wchar_t* folder;
    // A mirror folder that the log folders lie in and that no other step
    // creates; empty when they sit directly in the product folder.
    const wchar_t* logParent;
    std::vector<const wchar_t*> logFolders;
    RowEnd end;
    // The configurator program (Export) or the file name (SingleFile).
    const wchar_t* endName;
    // Export only: the configurator must carry a product version that
    // passes this test; null runs it whatever its version.
    bool (*versionGate)(const ProductVersion&);
};

const std::vector<ProductRow>& ProductRows() {
    static const std::vector<ProductRow> rows = {
        {L"MERUDrv",
         L"",
         {L"MERUDrv\\BadClb", L"MERUDrv\\BadCll", L"MERUDrv\\BadDrv", L"MERUDrv\\BadStub",
          L"MERUDrv\\LogClb", L"MERUDrv\\LogCll", L"MERUDrv\\LogDrv", L"MERUDrv\\LogRem"},
         RowEnd::Nothing,
         L"",
         nullptr},
        {L"MERUPro",
         L"",
         {L"MERUPro\\BadPro", L"MERUPro\\LogPro", L"MERUPro\\LogRem"},
         RowEnd::Nothing,
         L"",
         nullptr},
        {L"MERUDisp",
         L"",
         {L"MERUDisp\\BadDisp", L"MERUDisp\\LogDispDrv", L"MERUDisp\\LogDispRmt",
          L"MERUDisp\\LogEMail", L"MERUDisp\\LogGCM", L"MERUDisp\\LogFCM", L"MERUDisp\\LogSMS",
          L"MERUDisp\\LogSSL"},
         RowEnd::Export,
         L"MERUDispCfg.exe",
         nullptr},
        {L"MERUDomain",
         L"MERUDomain\\Logs",
         {L"MERUDomain\\Logs\\Bad", L"MERUDomain\\Logs\\EMail", L"MERUDomain\\Logs\\GCM",
          L"MERUDomain\\Logs\\FCM", L"MERUDomain\\Logs\\Http", L"MERUDomain\\Logs\\LU",
          L"MERUDomain\\Logs\\OpcUa", L"MERUDomain\\Logs\\SMS", L"MERUDomain\\Logs\\SSL",
          L"MERUDomain\\Logs\\Stub", L"MERUDomain\\Logs\\User", L"MERUDomain\\Logs\\Web"},
         RowEnd::Export,
         L"MERUDomainCfg.exe",
         DomainConfiguratorCanExport},
        {L"Ulvar",
         L"",
         {L"Ulvar\\LogUlvarRmt", L"Ulvar\\LogUlvarBad"},
         RowEnd::SingleFile,
         L"Ulvar.bad",
         nullptr},
        {L"MERUProt", L"", {L"MERUProt\\BadProt"}, RowEnd::Nothing, L"", nullptr},
        {L"MERUSms", L"", {L"MERUSms\\BadSms", L"MERUSms\\LogSms"}, RowEnd::Nothing, L"", nullptr},
        {L"Kavmon", L"", {}, RowEnd::SingleFile, L"Kavmon.Bad", nullptr},
    };
    return rows;
}

// Inventoried whether or not a row above collected them; a folder that is
// not installed is passed over by the inventory itself.
const wchar_t* const kInventoryFolders[] = {
    L"Common",  L"MERUDisp", L"MERUDomain", L"MERUDrv", L"MERUMsg", L"MERUPro", L"MERUProt",
    L"MERUSms", L"Kavmon",   L"Sefrin",     L"Setup",   L"Ulvar",   L"Tools",   L"MERUUpdate",
};

// Their mirror folders exist only once the inventories have run.
const wchar_t* const kTrailingLogFolders[] = {L"MERUUpdate\\BadUpdate", L"Common\\MultiProgLogs"};

// A configurator that cannot be started, or whose version does not allow
// the export, is passed over without a box (a refused start is still
// reported, for the record): the rest of the row stands.
void RunConfiguratorExport(const ProductRow& row, const CollectionContext& context) {
    const std::wstring& installationRoot = context.installationRoot;
    if (row.versionGate != nullptr) {
        ProductVersion version;
        if (!ReadProductVersion(ConfiguratorPath(installationRoot, row.folder, row.endName),
                                version) ||
            !row.versionGate(version))
            return;
    }
    // Its exit code says nothing we could act on; only its start matters.
    // Named by its full path, a root with a blank in it cannot make the
    // system start a program that the blank cuts the path at.
    ChildProgram program;
    program.role = ProgramRole::Configurator;
    program.application = ConfiguratorPath(installationRoot, row.folder, row.endName);
    program.commandLine =
        ConfiguratorCommandLine(installationRoot, context.mirrorBase, row.folder, row.endName);
    program.output = context.mirrorBase + row.folder + L"\\Struct.XML";
    const ChildResult result =
        RunAndWait(program, context.settings.waitLimits.configuratorMs, context.ui);
    if (result == ChildResult::NotStarted)
        return;
    // A Struct.XML kept in the installation wins over the fresh export, and
    // makes whole what an export cut short at its limit left.
    const std::optional<unsigned long long> copied =
        ReplaceExportWithInstalled(context, row.folder, L"Struct.XML");
    if (result == ChildResult::TimedOut && copied.value_or(0) == 0) {
        context.ui.Report(RunEvent::OutputIncomplete(ProgramRole::Configurator, program.output));
    }
}

void WalkProductRow(const ProductRow& row, const CollectionContext& context) {
    if (!CollectProductConfig(context, row.folder))
        return;

    // Log folders are created one level at a time, so an intermediate folder
    // that no copy makes must exist first; without it the logs are left out.
    const bool logsHaveFolder =
        *row.logParent == L'\0' ||
        CreateMirrorFolder(context.mirrorBase + row.logParent + L"\\", context);
    if (logsHaveFolder)
        for (const wchar_t* logFolder : row.logFolders)
            CollectLogFolder(context, logFolder);

    switch (row.end) {
    case RowEnd::Nothing:
        break;
    case RowEnd::Export:
        RunConfiguratorExport(row, context);
        break;
    case RowEnd::SingleFile:
        CollectMatchingFiles(context, row.folder, row.endName);
        break;
    }
}

} // namespace

std::wstring ConfiguratorPath(const std::wstring& installationRoot, const std::wstring& folder,
                              const std::wstring& program) {
    return installationRoot + L"\\" + folder + L"\\" + program;
}

std::wstring ConfiguratorCommandLine(const std::wstring& installationRoot,
                                     const std::wstring& mirrorBase, const std::wstring& folder,
                                     const std::wstring& program) {
    return ConfiguratorPath(installationRoot, folder, program) + L" -s\"" + mirrorBase + L"\\" +
           folder + L"\\Struct.XML\"";
}

bool DomainConfiguratorCanExport(const ProductVersion& version) {
    return std::make_tuple(version.first, version.second, version.third, version.fourth) >
           std::make_tuple(WORD{4}, WORD{7}, WORD{2}, WORD{0});
}

void WalkProductPlan(const CollectionContext& context) {
    for (const ProductRow& row : ProductRows())
        WalkProductRow(row, context);

    // These also create the mirror folders of MERUUpdate and Common, where
    // the trailing log folders go.
    for (const wchar_t* folder : kInventoryFolders)
        WriteVersionInventory(context, folder);

    for (const wchar_t* logFolder : kTrailingLogFolders)
        CollectLogFolder(context, logFolder);
}

std::vector<std::wstring> PlanLogFolders() {
    std::vector<std::wstring> folders;
    for (const ProductRow& row : ProductRows())
        folders.insert(folders.end(), row.logFolders.begin(), row.logFolders.end());
    folders.insert(folders.end(), std::begin(kTrailingLogFolders), std::end(kTrailingLogFolders));
    return folders;
}

std::vector<std::wstring> PlanInventoryFolders() {
    return {std::begin(kInventoryFolders), std::end(kInventoryFolders)};
}
