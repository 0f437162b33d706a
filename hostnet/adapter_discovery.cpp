#include "hostnet/adapter_discovery.h"

#include <cstring>
#include <string>
#include <vector>

namespace mirbo {
namespace {

constexpr char kListFailedText[] = "获取网卡信息失败，请向版主反馈。\n";
constexpr char kHeaderText[] = "当前可用网卡如下，请正确选择所使用的网卡：\n";
constexpr char kNameUnreadableText[] = "Error !\n";

// The connection key of an adapter is named in a 260-byte path whose fixed
// part takes 87 characters; a longer id would not fit, so its name counts as
// unreadable.
constexpr std::size_t kMaxAdapterIdLength = 172;
// A name is read into 80 bytes with its terminating zero.
constexpr std::size_t kMaxConnectionNameLength = 79;
constexpr int kMaxListed = AdapterTable::kSlots - 1;

// The second call is made in every case and only its status counts, so a
// list that grew between the calls is a failure like any other.
std::uint32_t ListAllAdapters(HostServices& host, std::vector<AdapterRecord>& records) {
  std::uint32_t count = 1;
  records.assign(count, AdapterRecord{});
  if (host.ListAdapters(records.data(), &count) == kListAdaptersBufferTooSmall)
    records.assign(count, AdapterRecord{});
  count = static_cast<std::uint32_t>(records.size());
  const std::uint32_t status = host.ListAdapters(records.data(), &count);
  records.resize(status == kListAdaptersOk ? count : 0);
  return status;
}

std::string Bounded(const char* text, std::size_t capacity) {
  const void* end = std::memchr(text, '\0', capacity);
  return std::string(text, end ? static_cast<const char*>(end) - text : capacity);
}

bool ReadName(HostServices& host, const AdapterRecord& record, std::string* name) {
  const std::string id = Bounded(record.adapter_id, sizeof record.adapter_id);
  if (id.size() > kMaxAdapterIdLength) return false;
  return host.ReadConnectionName(id, name) && name->size() <= kMaxConnectionNameLength;
}

void AddToTable(AdapterTable& table, const std::string& name) {
  ++table.count;
  auto& slot = table.names[static_cast<std::size_t>(table.count)];
  std::memcpy(slot.data(), name.c_str(), name.size() + 1);
}

std::string ListingLine(int number, const std::string& name, const AdapterRecord& record) {
  return "\t" + std::to_string(number) + ": " + name + " (" +
         Bounded(record.first_ipv4, sizeof record.first_ipv4) + ")\n";
}

}  // namespace

bool DiscoverAdapters(HostServices& host, OutputLog& output, AdapterTable& table) {
  std::vector<AdapterRecord> records;
  if (ListAllAdapters(host, records) != kListAdaptersOk) {
    output.AppendOutput(kListFailedText);
    return true;
  }
  output.AppendOutput(kHeaderText);
  for (const AdapterRecord& record : records) {
    if (record.type != kAdapterTypeEthernet) continue;
    if (table.count == kMaxListed) break;  // the table has no number left for it
    std::string name;
    if (!ReadName(host, record, &name)) {
      output.AppendOutput(kNameUnreadableText);
      return false;
    }
    AddToTable(table, name);
    output.AppendOutput(ListingLine(table.count, name, record));
  }
  return true;
}

}  // namespace mirbo
