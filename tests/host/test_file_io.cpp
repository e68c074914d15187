// The host's one way of writing a file, as an editor writes a person's file: through
// symbolic links to their target, keeping its permissions, refusing what may not be
// written, recognising a kept file by its identity, and leaving the old file whole when a
// step fails.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/files/file_io.h"

namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
    std::string content, error;
    if (!host::ReadWholeFile(file.string(), &content, &error)) return "(unreadable: " + error + ")";
    return content;
}

void Put(const fs::path& file, const std::string& content) { std::ofstream(file, std::ios::binary) << content; }

class FileWriting : public ::testing::Test {
protected:
    void SetUp() override {
        host::ForgetKeptFiles();
        folder_ = fs::temp_directory_path() /
                  ("pellucid-files-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                   "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        host::ForgetKeptFiles();
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(folder_, ignored)) {
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(folder_, ignored);
    }

    // Writes `content` to `file` and returns the error, "" when it was written.
    static std::string Write(const fs::path& file, const std::string& content) {
        std::string error;
        return host::WriteFileAtomically(file.string(), content, &error) ? "" : error;
    }

    // Links `link` to `target`; false where the system or the user may not make links.
    static bool Link(const fs::path& target, const fs::path& link) {
        std::error_code error;
        fs::create_symlink(target, link, error);
        return !error;
    }

    fs::path folder_;
};

TEST_F(FileWriting, ANewFileIsWrittenWholeAndNoTemporaryStays) {
    fs::path file = folder_ / "new.scene";
    EXPECT_EQ(host::WhyNotWritable(file.string()), "");
    EXPECT_FALSE(fs::exists(folder_ / "new.scene.tmp")) << "asking left the probe behind";
    EXPECT_EQ(host::WhyNotWritable((folder_ / "none" / "new.scene").string()),
              "there is no folder " + (folder_ / "none").string());
    EXPECT_EQ(Write(file, "<scene/>\n"), "");
    EXPECT_EQ(Contents(file), "<scene/>\n");
    EXPECT_FALSE(fs::exists(folder_ / "new.scene.tmp"));
}

// The link stays a link, and the file it names gets the contents; a chain of links is
// followed to its end, and a relative link is read from the link's folder.
TEST_F(FileWriting, ASymbolicLinkIsFollowedToItsTargetAndStays) {
    fs::create_directories(folder_ / "real");
    fs::path target = folder_ / "real" / "mine.scene";
    Put(target, "old");
    if (!Link(fs::path("real") / "mine.scene", folder_ / "link.scene") ||
        !Link("link.scene", folder_ / "second-link.scene")) {
        GTEST_SKIP() << "no symbolic links here";
    }
    EXPECT_EQ(Write(folder_ / "second-link.scene", "new"), "");
    EXPECT_TRUE(fs::is_symlink(folder_ / "second-link.scene"));
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.scene"));
    EXPECT_EQ(Contents(target), "new");
    EXPECT_FALSE(fs::exists(folder_ / "link.scene.tmp"));
    EXPECT_FALSE(fs::exists(folder_ / "real" / "mine.scene.tmp"));

    // A link to nothing yet makes its target, as an editor does.
    ASSERT_TRUE(Link("later.scene", folder_ / "dangling.scene"));
    EXPECT_EQ(Write(folder_ / "dangling.scene", "made"), "");
    EXPECT_TRUE(fs::is_symlink(folder_ / "dangling.scene"));
    EXPECT_EQ(Contents(folder_ / "later.scene"), "made");

    // Links that lead round in a circle are an error, and nothing is made.
    ASSERT_TRUE(Link("circle-b", folder_ / "circle-a"));
    ASSERT_TRUE(Link("circle-a", folder_ / "circle-b"));
    std::string error = Write(folder_ / "circle-a", "x");
    EXPECT_NE(error.find("circle"), std::string::npos) << error;
}

#if !defined(_WIN32)
// Permission bits survive the write (a private file stays private, an executable bit
// stays), also when the file is reached through a link.
TEST_F(FileWriting, TheFilesPermissionsAreKept) {
    for (fs::perms mode : {fs::perms(0600), fs::perms(0640), fs::perms(0755), fs::perms(0604)}) {
        fs::path file = folder_ / "kept.scene";
        Put(file, "old");
        fs::permissions(file, mode);
        EXPECT_EQ(Write(file, "new"), "");
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::mask, mode) << std::oct << static_cast<int>(mode);
        EXPECT_EQ(Contents(file), "new");
    }
    Put(folder_ / "target.scene", "old");
    fs::permissions(folder_ / "target.scene", fs::perms(0640));
    ASSERT_TRUE(Link("target.scene", folder_ / "link.scene"));
    EXPECT_EQ(Write(folder_ / "link.scene", "new"), "");
    EXPECT_EQ(fs::status(folder_ / "target.scene").permissions() & fs::perms::mask, fs::perms(0640));
}
#endif

// A read-only file (no write permission; the read-only attribute on Windows) is refused
// with a line that says so and how to save elsewhere, and stays as it was, read-only; so
// does one reached through a link.
TEST_F(FileWriting, AReadOnlyFileIsRefusedAndLeftAsItWas) {
    fs::path file = folder_ / "mine.scene";
    Put(file, "old");
    fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::string error = Write(file, "new");
    EXPECT_EQ(error, file.string() + " is read-only, so it is left as it is; name another file to save elsewhere");
    EXPECT_EQ(host::WhyNotWritable(file.string()), error) << "the question asked ahead gets another answer";
    EXPECT_EQ(Contents(file), "old");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_FALSE(fs::exists(folder_ / "mine.scene.tmp"));
    if (Link("mine.scene", folder_ / "link.scene")) {
        error = Write(folder_ / "link.scene", "new");
        EXPECT_NE(error.find("(a link to "), std::string::npos) << error;
        EXPECT_NE(error.find("is read-only"), std::string::npos) << error;
        EXPECT_EQ(Contents(file), "old");
    }
}

// A kept file is refused under every name that reaches it: its own, another spelling of
// its path, a hard link, a symbolic link. A copy of it is another file, and is written.
TEST_F(FileWriting, AKeptFileIsKnownByItsIdentityNotItsName) {
    fs::create_directories(folder_ / "sub");
    fs::path sample = folder_ / "workshop.scene";
    Put(sample, "sample");
    host::KeepUnwritten(sample.string(), "the bundled sample, which is kept as it is");
    fs::copy_file(sample, folder_ / "copy.scene");

    std::vector<fs::path> names{sample, folder_ / "sub" / ".." / "workshop.scene"};
    std::error_code hard_link_error;
    fs::create_hard_link(sample, folder_ / "hard.scene", hard_link_error);
    if (!hard_link_error) names.push_back(folder_ / "hard.scene");
    if (Link("workshop.scene", folder_ / "link.scene")) names.push_back(folder_ / "link.scene");
    for (const fs::path& name : names) {
        EXPECT_TRUE(host::IsKeptUnwritten(name.string())) << name;
        std::string error = Write(name, "written");
        EXPECT_NE(error.find("is the bundled sample, which is kept as it is; name another file"), std::string::npos)
            << name << ": " << error;
    }
    EXPECT_EQ(Contents(sample), "sample");
    EXPECT_FALSE(host::IsKeptUnwritten((folder_ / "copy.scene").string()));
    EXPECT_EQ(Write(folder_ / "copy.scene", "written"), "");
    EXPECT_EQ(Contents(folder_ / "copy.scene"), "written");

    host::ForgetKeptFiles();
    EXPECT_FALSE(host::IsKeptUnwritten(sample.string()));
}

// A folder or another file that is not a plain one is never replaced by a file.
TEST_F(FileWriting, WhatIsNotAPlainFileIsRefused) {
    fs::create_directories(folder_ / "folder.scene");
    std::string error = Write(folder_ / "folder.scene", "x");
    EXPECT_NE(error.find("is not a plain file"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(folder_ / "folder.scene"));
}

// When the temporary cannot be made, the old file is untouched and nothing is left.
TEST_F(FileWriting, AWriteThatFailsLeavesTheOldFile) {
    fs::path file = folder_ / "mine.scene";
    Put(file, "old");
    fs::create_directories(folder_ / "mine.scene.tmp");  // in the temporary's way
    std::string error = Write(file, "new");
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_EQ(Contents(file), "old");
    EXPECT_TRUE(fs::is_directory(folder_ / "mine.scene.tmp"));
}

}  // namespace
