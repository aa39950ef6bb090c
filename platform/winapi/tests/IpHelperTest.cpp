// GetAdaptersInfo over the machine's network cards: the buffer-size protocol, the records and their chain.
#include "platform/winapi/IpHelper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

namespace {

using testing_support::TestMachine;

void Import(const std::string& text) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n" + text, error)) << error;
}

std::string Card(const std::string& number, const std::string& values) {
  return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\" + number + "]\n" +
         values;
}

TEST(IpHelper, TheDefaultMachineHasNoAdapter) {
  TestMachine machine;
  ULONG size = 0;
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), ERROR_NO_DATA);
  IP_ADAPTER_INFO info;
  size = sizeof info;
  EXPECT_EQ(GetAdaptersInfo(&info, &size), ERROR_NO_DATA);
  EXPECT_EQ(GetAdaptersInfo(&info, nullptr), ERROR_INVALID_PARAMETER);
}

TEST(IpHelper, TheBufferSizeProtocolAndTheChain) {
  TestMachine machine;
  const std::string longDescription(200, 'x');
  Import(Card("2", "\"Description\"=\"Intel(R) PRO/100 VE hálózati kártya\"\n\"ServiceName\"=\"{1A2B}\"\n"_cp) +
         Card("7", "\"Description\"=\"Csak leírás\"\n"_cp) +  // no service: no adapter
         Card("11", "\"Description\"=\"" + longDescription + "\"\n\"ServiceName\"=\"{3C4D}\"\n"));
  const ULONG needed = 2 * sizeof(IP_ADAPTER_INFO);
  ULONG size = 0;
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(size, needed);
  // One byte short: the buffer stays as it was.
  std::vector<unsigned char> buffer(needed + 16, 0xAB);
  size = needed - 1;
  EXPECT_EQ(GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(size, needed);
  EXPECT_EQ(buffer[0], 0xAB);

  size = ULONG(buffer.size());
  ASSERT_EQ(GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size), ERROR_SUCCESS);
  EXPECT_EQ(buffer[needed], 0xAB) << "nothing written past the records";
  const auto* first = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data());
  ASSERT_NE(first->Next, nullptr);
  const IP_ADAPTER_INFO* second = first->Next;
  EXPECT_EQ(second->Next, nullptr);
  EXPECT_EQ(std::string(first->Description), "Intel(R) PRO/100 VE hálózati kártya"_cp);
  EXPECT_STREQ(first->AdapterName, "{1A2B}");
  EXPECT_EQ(first->Index, 2u);
  EXPECT_EQ(first->Type, MIB_IF_TYPE_ETHERNET);
  EXPECT_STREQ(first->IpAddressList.IpAddress.String, "0.0.0.0");
  EXPECT_EQ(std::string(second->Description), longDescription.substr(0, MAX_ADAPTER_DESCRIPTION_LENGTH + 3))
      << "cut to the field";
  EXPECT_EQ(second->Index, 11u);
}

}  // namespace
