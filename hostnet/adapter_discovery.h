#pragma once

#include "console/output_log.h"
#include "hostnet/adapter_table.h"
#include "platform/host_services.h"

namespace mirbo {

// Lists the Ethernet adapters into `output`, numbered from 1, and stores
// their connection names in `table`. False when a connection name could not
// be read: the listing stopped after "Error !\n" and the adapters listed
// before it stay in the table. True otherwise, also when the adapter list
// itself was not obtained (count 0).
bool DiscoverAdapters(HostServices& host, OutputLog& output, AdapterTable& table);

}  // namespace mirbo
