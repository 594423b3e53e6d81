#pragma once

#include "collect/CollectionContext.h"
#include "win/VersionInfo.h"

#include <string>
#include <vector>

// Walks the fixed plan of the suite's folders: configuration, logs, single
// files, configurator exports, version inventories. Never stops the run;
// each configurator is waited for at most the settings' configurator limit.
void WalkProductPlan(const CollectionContext& context);

// installation root + "\" + folder + "\" + program. The root keeps its own
// trailing backslash, so the two meet as a double backslash, which the
// suite's configurators have always been started with. It is also the
// program the system starts, by this full path and no other.
std::wstring ConfiguratorPath(const std::wstring& installationRoot, const std::wstring& folder,
                              const std::wstring& program);

// Configurator path + " -s" + a double quote + mirror base + "\" + folder +
// "\Struct.XML" + a double quote: the export's output goes straight into the
// folder's mirror.
std::wstring ConfiguratorCommandLine(const std::wstring& installationRoot,
                                     const std::wstring& mirrorBase, const std::wstring& folder,
                                     const std::wstring& program);

// MERUDomainCfg.exe can export only from a product version later than
// 4.7.2.0, compared number by number.
bool DomainConfiguratorCanExport(const ProductVersion& version);

// The folders the plan reads, relative to the installation root: every log
// folder in the order the walk reaches it (the rows', then the trailing
// ones), and the inventoried folders. The sample installation and the
// benchmarks lay out and measure exactly these.
std::vector<std::wstring> PlanLogFolders();
std::vector<std::wstring> PlanInventoryFolders();
