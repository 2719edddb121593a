// The ports file and the numbering of serial devices: which device gets
// which COM number, and what a ports file line means.
#include "link/ComPortMap.h"
#include "link/PortsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

FoundDevice Uart(int k) {
    const std::string path = "/dev/ttyS" + std::to_string(k);
    return {path, path, "", k, {path}};
}

FoundDevice Adapter(const std::string& name, const std::string& node) {
    return {node, "/dev/serial/by-id/" + name, name, -1, {name, "/dev/serial/by-id/" + name, node}};
}

// Port number -> stable name (or device, for a UART), "absent:" before an
// absent device.
std::map<int, std::string> Numbers(const ComPortMap& map) {
    std::map<int, std::string> numbers;
    for (const ComPortEntry& entry : map.entries)
        numbers[entry.port] = (entry.present ? "" : "absent:") +
                              (entry.stableName.empty() ? entry.device : entry.stableName);
    return numbers;
}

TEST(PortsFileTest, ReadsTheLinesItUnderstandsAndNamesTheOthersByNumber) {
    const PortsFileContents contents = ParsePortsText("# kept by ktrsetup\r\n"
                                                      "\n"
                                                      "COM3 usb-FTDI_A\r\n"
                                                      "  com12\t/dev/ttyUSB4  \n"
                                                      "COM33 usb-Too_High\n"
                                                      "COM0 usb-Too_Low\n"
                                                      "COM4\n"
                                                      "COMX usb-What\n"
                                                      "COM3 usb-Same_Number\n"
                                                      "COM5 usb-FTDI_A\n"
                                                      "COM6 usb-Good");
    EXPECT_EQ(contents.lines, (std::vector<PortsFileLine>{
                                  {3, "usb-FTDI_A"}, {12, "/dev/ttyUSB4"}, {6, "usb-Good"}}));
    std::vector<int> damaged;
    for (const auto& [number, text] : contents.damaged)
        damaged.push_back(number);
    EXPECT_EQ(damaged, (std::vector<int>{5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(contents.damaged.front().second, "COM33 usb-Too_High");
    EXPECT_TRUE(contents.Damaged());
}

TEST(PortsFileTest, WrittenLinesReadBackAndLeaveNoTemporaryFile) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "ktr-ports-file-test";
    std::filesystem::remove_all(dir);
    const std::filesystem::path file = dir / "ktrsetup" / "ports";
    const std::vector<PortsFileLine> lines{{2, "usb-Acme_B"}, {17, "/dev/ttyACM3"}};
    std::string error;
    ASSERT_TRUE(WritePortsFile(file, lines, error)) << error;
    ASSERT_TRUE(WritePortsFile(file, lines, error)) << error; // over an existing file
    const PortsFileContents read = ReadPortsFile(file);
    EXPECT_EQ(read.lines, lines);
    EXPECT_FALSE(read.Damaged());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_FALSE(ReadPortsFile(dir / "missing").exists);
    std::filesystem::remove_all(dir);
}

TEST(PortsFileTest, PortNamesAreComNumbersFrom1To32) {
    const std::map<std::string, int> cases{{"COM1", 1},  {"com32", 32}, {"Com7", 7}, {"7", 7},
                                           {"COM33", 0}, {"COM0", 0},   {"0", 0},    {"COM", 0},
                                           {"COM-1", 0}, {"COM1x", 0},  {"", 0},     {"COM100", 0}};
    for (const auto& [text, port] : cases)
        EXPECT_EQ(ParseComPortName(text), port) << text;
}

struct NumberingCase {
    const char* what;
    std::vector<FoundDevice> found;
    std::vector<PortsFileLine> administrator;
    std::vector<PortsFileLine> user;
    std::map<int, std::string> numbers;
    std::vector<PortsFileLine> newLines;
};

TEST(ComPortMapTest, NumbersUartsByPositionAndAdaptersByTheirFilesThenLowestFree) {
    const FoundDevice a = Adapter("usb-A", "/dev/ttyUSB1"), b = Adapter("usb-B", "/dev/ttyUSB0"),
                      c = Adapter("usb-C", "/dev/ttyACM0");
    const std::vector<NumberingCase> cases{
        {"new adapters in the order of their names, after the UARTs",
         {Uart(0), Uart(2), b, a},
         {},
         {},
         {{1, "/dev/ttyS0"}, {2, "usb-A"}, {3, "/dev/ttyS2"}, {4, "usb-B"}},
         {{2, "usb-A"}, {4, "usb-B"}}},
        {"a remembered adapter keeps its number while unplugged; a new one does not take it",
         {Uart(0), b, c},
         {},
         {{2, "usb-A"}, {4, "usb-B"}},
         {{1, "/dev/ttyS0"}, {2, "absent:usb-A"}, {3, "usb-C"}, {4, "usb-B"}},
         {{3, "usb-C"}}},
        {"a line may name the adapter by its device path",
         {b},
         {},
         {{9, "/dev/ttyUSB0"}},
         {{9, "usb-B"}},
         {}},
        {"the administrator's line wins over the user's and over a UART",
         {Uart(0), a, b},
         {{1, "usb-B"}, {5, "usb-A"}},
         {{3, "usb-A"}, {6, "usb-B"}},
         {{1, "usb-B"}, {5, "usb-A"}},
         {}},
        {"a user line on a UART's number is passed over; its adapter gets a free one",
         {Uart(0), a},
         {},
         {{1, "usb-A"}},
         {{1, "/dev/ttyS0"}, {2, "usb-A"}},
         {{2, "usb-A"}}},
        {"a user line moves a UART, whose own number is then free",
         {Uart(0), a},
         {},
         {{7, "/dev/ttyS0"}},
         {{1, "usb-A"}, {7, "/dev/ttyS0"}},
         {{1, "usb-A"}}},
        {"a UART past ttyS31 gets no number",
         {Uart(31), Uart(32)},
         {},
         {},
         {{32, "/dev/ttyS31"}},
         {}},
    };
    for (const NumberingCase& test : cases) {
        const ComPortMap map = AssignComPorts(test.found, test.administrator, test.user);
        EXPECT_EQ(Numbers(map), test.numbers) << test.what;
        EXPECT_EQ(map.newLines, test.newLines) << test.what;
        EXPECT_TRUE(map.unnumbered.empty()) << test.what;
    }
}

TEST(ComPortMapTest, AdaptersPast32AreLeftWithoutANumberAndNamed) {
    std::vector<FoundDevice> found;
    for (int k = 0; k < 30; ++k)
        found.push_back(Uart(k));
    for (const char* name : {"usb-D", "usb-A", "usb-C", "usb-B"})
        found.push_back(Adapter(name, std::string("/dev/") + name));
    const ComPortMap map = AssignComPorts(found, {}, {});
    EXPECT_EQ(map.entries.size(), 32u);
    EXPECT_EQ(map.Find(31)->stableName, "usb-A");
    EXPECT_EQ(map.Find(32)->stableName, "usb-B");
    ASSERT_EQ(map.unnumbered.size(), 2u);
    EXPECT_EQ(map.unnumbered[0].stableName, "usb-C");
    EXPECT_EQ(map.unnumbered[1].stableName, "usb-D");
}

TEST(ComPortMapTest, AssigningKeepsOneLinePerPortAndPerDevice) {
    const std::vector<PortsFileLine> user{{2, "usb-A"}, {4, "usb-B"}, {9, "usb-C"}};
    EXPECT_EQ(AssignLine(user, 7, "usb-A"),
              (std::vector<PortsFileLine>{{4, "usb-B"}, {7, "usb-A"}, {9, "usb-C"}}));
    EXPECT_EQ(AssignLine(user, 4, "usb-D"),
              (std::vector<PortsFileLine>{{2, "usb-A"}, {4, "usb-D"}, {9, "usb-C"}}));
    EXPECT_EQ(AssignLine(user, 9, "usb-A"),
              (std::vector<PortsFileLine>{{4, "usb-B"}, {9, "usb-A"}}));
}

} // namespace
