#include "res/StringTable.h"

#include <gtest/gtest.h>

TEST(StringTable, TextsStandAsTheProgramShowsThem) {
    EXPECT_EQ(LoadString(IDS_APP_NAME), "KTRSetup");
    EXPECT_EQ(LoadString(IDS_PORT_OPEN_FAILED), "Unable to open serial port");
    EXPECT_EQ(LoadString(IDS_TREE_SENSOR), "Sensor:%02.2d   Model: %s");
    EXPECT_EQ(LoadString(IDS_CAL_POINT_EXISTS),
              "The Cal piont with the save size or voltage already exists.");
    EXPECT_EQ(LoadString(IDS_SIZE_COLUMN), "Sizes(\xC2\xB5)");
    // Separate entries with the same text.
    EXPECT_EQ(LoadString(IDS_SIZES_NOT_ASCENDING), LoadString(IDS_CAL_SIZES_NOT_ASCENDING));
    const std::string inUse = LoadString(IDS_PORT_IN_USE);
    EXPECT_EQ(inUse.substr(inUse.size() - 10), "Tessaly. \n");
    EXPECT_EQ(LoadString(12345), "");
    EXPECT_FALSE(HasString(61233));
}
