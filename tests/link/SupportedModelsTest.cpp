#include "link/SupportedModels.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Points KTRSETUP_SUPPORTED_MODELS at a file in a fresh temporary folder.
class SupportedModelsTest : public testing::Test {
protected:
    void SetUp() override {
        char dirTemplate[] = "/tmp/ktr-models-XXXXXX";
        ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
        m_dir = dirTemplate;
        m_path = m_dir + "/supported-models";
        const char* saved = std::getenv("KTRSETUP_SUPPORTED_MODELS");
        m_hadSaved = saved != nullptr;
        m_saved = saved ? saved : "";
        ::setenv("KTRSETUP_SUPPORTED_MODELS", m_path.c_str(), 1);
    }

    void TearDown() override {
        if (m_hadSaved)
            ::setenv("KTRSETUP_SUPPORTED_MODELS", m_saved.c_str(), 1);
        else
            ::unsetenv("KTRSETUP_SUPPORTED_MODELS");
        ::unlink(m_path.c_str());
        ::rmdir(m_dir.c_str());
    }

    void WriteFile(const std::string& content) {
        std::ofstream(m_path, std::ios::binary) << content;
    }

    std::string m_dir;
    std::string m_path;
    std::string m_saved;
    bool m_hadSaved = false;
};

} // namespace

TEST_F(SupportedModelsTest, LinesAreTrimmedAndCommentsAndBlankLinesSkipped) {
    WriteFile("# counters we support\r\n"
              "\r\n"
              "  KTR-100\t\r\n"
              "\t \t\n"
              "   # indented note\n"
              "Model 200 B\n"
              "LAST-NO-NEWLINE");
    EXPECT_EQ(ListedModels(),
              (std::vector<std::string>{"KTR-100", "Model 200 B", "LAST-NO-NEWLINE"}));
    EXPECT_TRUE(IsModelListed("KTR-100"));
    EXPECT_TRUE(IsModelListed("Model 200 B"));
    EXPECT_TRUE(IsModelListed("LAST-NO-NEWLINE"));
    EXPECT_TRUE(SupportedModelsFileReadable());
}

TEST_F(SupportedModelsTest, MatchIgnoresLetterCaseButNothingElse) {
    WriteFile("KTR-100\nModel 200 B\n");
    EXPECT_TRUE(IsModelListed("ktr-100"));
    EXPECT_TRUE(IsModelListed("mODEL 200 b"));
    EXPECT_FALSE(IsModelListed("KTR-10"));
    EXPECT_FALSE(IsModelListed("KTR-1000"));
    EXPECT_FALSE(IsModelListed("Model 200B"));
    EXPECT_FALSE(IsModelListed("# counters"));
}

TEST_F(SupportedModelsTest, CommentLinesAreNeverModels) {
    WriteFile("#KTR-100\n");
    EXPECT_FALSE(IsModelListed("#KTR-100"));
    EXPECT_TRUE(ListedModels().empty());
}

TEST_F(SupportedModelsTest, EmptyModelIsNeverListed) {
    WriteFile("KTR-100\n\n  \n");
    EXPECT_FALSE(IsModelListed(""));
}

TEST_F(SupportedModelsTest, MissingFileListsNothing) {
    EXPECT_EQ(SupportedModelsPath(), m_path);
    EXPECT_FALSE(SupportedModelsFileReadable());
    EXPECT_TRUE(ListedModels().empty());
    EXPECT_FALSE(IsModelListed("KTR-100"));
}

TEST_F(SupportedModelsTest, FolderInPlaceOfTheFileIsNotReadable) {
    ::setenv("KTRSETUP_SUPPORTED_MODELS", m_dir.c_str(), 1);
    EXPECT_FALSE(SupportedModelsFileReadable());
    EXPECT_FALSE(IsModelListed("KTR-100"));
}

TEST_F(SupportedModelsTest, AnEditTakesEffectAtTheNextLookup) {
    WriteFile("KTR-100\n");
    EXPECT_FALSE(IsModelListed("KTR-200"));
    WriteFile("KTR-100\nKTR-200\n");
    EXPECT_TRUE(IsModelListed("KTR-200"));
    ::unlink(m_path.c_str());
    EXPECT_FALSE(IsModelListed("KTR-100"));
}

TEST_F(SupportedModelsTest, ScanThreadsMayLookUpAtTheSameTime) {
    WriteFile("KTR-100\nKTR-200\n");
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 32; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i)
                if (IsModelListed(t % 2 ? "ktr-200" : "KTR-100") != true ||
                    IsModelListed("KTR-300"))
                    ++wrong;
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(SupportedModelsPathDefault, UnsetOrEmptyVariableMeansTheSystemFile) {
    const char* saved = std::getenv("KTRSETUP_SUPPORTED_MODELS");
    const std::string savedValue = saved ? saved : "";
    ::unsetenv("KTRSETUP_SUPPORTED_MODELS");
    EXPECT_EQ(SupportedModelsPath(), "/etc/ktrsetup/supported-models");
    ::setenv("KTRSETUP_SUPPORTED_MODELS", "", 1);
    EXPECT_EQ(SupportedModelsPath(), "/etc/ktrsetup/supported-models");
    if (saved)
        ::setenv("KTRSETUP_SUPPORTED_MODELS", savedValue.c_str(), 1);
    else
        ::unsetenv("KTRSETUP_SUPPORTED_MODELS");
}
