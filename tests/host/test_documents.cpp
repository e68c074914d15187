// The stand-in host's documents, through the host functions as the plug-in binds them.
#include <gtest/gtest.h>

#include "support/bound_host.h"

#include <cstring>
#include <string>
#include <vector>

#include "host/binds/documents.h"
#include "host/binds/host.h"
#include "host/drive/plugin_module.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"
#include "plugin/host_api.h"

namespace {

class HostDocuments : public BoundHostTest {
protected:
    host::Document document;
};

TEST_F(HostDocuments, PlacesAreCountedWithTheEmptyOnesAndKeepTheirNumbers) {
    host::Object& first = document.AddObject("First");
    document.AddObject("Removed");
    host::Object& last = document.AddObject("Last");
    EXPECT_TRUE(document.RemoveObject(1));
    EXPECT_FALSE(document.RemoveObject(1));

    MQDocument d = document.handle();
    EXPECT_EQ(g_host.MQDoc_GetObjectCount(d), 3);
    EXPECT_EQ(g_host.MQDoc_GetObject(d, 0), first.handle());
    EXPECT_EQ(g_host.MQDoc_GetObject(d, 1), nullptr);
    EXPECT_EQ(g_host.MQDoc_GetObject(d, 2), last.handle());
    EXPECT_EQ(g_host.MQDoc_GetObject(d, 3), nullptr);
    EXPECT_EQ(g_host.MQDoc_GetObject(d, -1), nullptr);
    EXPECT_EQ(g_host.MQDoc_GetObjectIndex(d, last.handle()), 2);
    EXPECT_EQ(document.VisibilityPicture(), "1.1");
}

TEST_F(HostDocuments, ObjectIndexIsNegativeForUncountedForeignAndNullObjects) {
    host::Object& object = document.AddObject("Kept");
    host::Document other;
    host::Object& foreign = other.AddObject("Foreign");

    object.SetCounted(false);
    EXPECT_EQ(g_host.MQDoc_GetObjectIndex(document.handle(), object.handle()), -1);
    object.SetCounted(true);
    EXPECT_EQ(g_host.MQDoc_GetObjectIndex(document.handle(), object.handle()), 0);
    EXPECT_EQ(g_host.MQDoc_GetObjectIndex(document.handle(), foreign.handle()), -1);
    EXPECT_EQ(g_host.MQDoc_GetObjectIndex(document.handle(), nullptr), -1);
    EXPECT_EQ(g_host.MQDoc_GetObjectIndex(nullptr, object.handle()), -1);
    EXPECT_EQ(g_host.MQDoc_GetObjectCount(nullptr), 0);
}

TEST_F(HostDocuments, GetNameWritesAtMostSizeBytesWithTheZero) {
    MQObject object = document.AddObject("abcdef").handle();
    char buffer[16];
    auto read = [&](int32_t size) {
        std::memset(buffer, '#', sizeof buffer);
        g_host.MQObj_GetName(object, buffer, size);
        return std::string(buffer, sizeof buffer);
    };
    EXPECT_EQ(read(8), std::string("abcdef\0#########", 16));
    EXPECT_EQ(read(7), std::string("abcdef\0#########", 16));
    EXPECT_EQ(read(4), std::string("abc\0############", 16));
    EXPECT_EQ(read(1), std::string("\0###############", 16));
    EXPECT_EQ(read(0), std::string(16, '#'));
    EXPECT_EQ(read(-5), std::string(16, '#'));
    g_host.MQObj_GetName(nullptr, buffer, 4);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_F(HostDocuments, VisibilityAndValue262AreTheObjectsOwn) {
    host::Object& object = document.AddObject("Cube", false);
    document.AddObject("Other", true);
    EXPECT_EQ(g_host.MQObj_GetVisible(object.handle()), 0u);
    g_host.MQObj_SetVisible(object.handle(), MQOBJ_VISIBLE);
    EXPECT_EQ(g_host.MQObj_GetVisible(object.handle()), 0xFFFFFFFFu);
    g_host.MQObj_SetVisible(object.handle(), 2);
    EXPECT_TRUE(object.visible());
    EXPECT_EQ(g_host.MQObj_GetVisible(object.handle()), 2u);
    g_host.MQObj_SetVisible(nullptr, 0);
    EXPECT_EQ(document.VisibilityPicture(), "11");

    EXPECT_EQ(g_host.MQObj_GetIntValue(object.handle(), 262), 0);
    object.SetAppendFilter(5);
    EXPECT_EQ(g_host.MQObj_GetIntValue(object.handle(), 262), 5);
    EXPECT_EQ(g_host.MQObj_GetIntValue(object.handle(), 263), 0);
}

TEST_F(HostDocuments, SwitchedOffJournalKeepsNothingButTheHostStillAnswers) {
    document.AddObject("Cube");
    host::TheJournal().SetRecording(false);
    EXPECT_EQ(g_host.MQDoc_GetObjectCount(document.handle()), 1);
    EXPECT_EQ(host::TheJournal().Calls().size(), 0u);

    host::ResetHost();
    EXPECT_TRUE(host::TheJournal().Recording());
    g_host.MQDoc_GetObjectCount(document.handle());
    EXPECT_EQ(host::TheJournal().Text(), "MQDoc_GetObjectCount(" + host::PointerText(document.handle()) + ")\n");
}

TEST_F(HostDocuments, ClosingTheCurrentDocumentFallsBackToTheLastOpened) {
    EXPECT_EQ(host::CurrentDocument(), nullptr);
    host::Document& first = host::OpenDocument();
    host::Document& second = host::OpenDocument();
    EXPECT_EQ(host::CurrentDocument(), &second);
    host::SetCurrentDocument(first);
    EXPECT_EQ(host::CurrentDocument(), &first);
    host::SetCurrentDocument(document);  // not open: ignored
    EXPECT_EQ(host::CurrentDocument(), &first);
    host::CloseDocument(first);
    EXPECT_EQ(host::CurrentDocument(), &second);
    host::ResetHost();
    EXPECT_EQ(host::CurrentDocument(), nullptr);
}

// A closed document and its objects stay in memory until the host is reset, so that
// their handles are recognised, and every use of them is a breach that changes nothing.
TEST_F(HostDocuments, CallsWithAClosedDocumentOrItsObjectsAreBreachesAnsweredAsForNull) {
    host::Document& closed = host::OpenDocument();
    host::Object& object = closed.AddObject("Gone", true);
    host::Document& open = host::OpenDocument();
    host::CloseDocument(closed);
    ASSERT_TRUE(closed.closed());
    EXPECT_EQ(g_host.MQDoc_GetObjectCount(closed.handle()), 0);
    EXPECT_EQ(g_host.MQDoc_GetObject(closed.handle(), 0), nullptr);
    EXPECT_EQ(g_host.MQDoc_GetObjectIndex(open.handle(), object.handle()), -1);
    g_host.MQObj_SetVisible(object.handle(), 0);
    EXPECT_EQ(g_host.MQObj_GetVisible(object.handle()), 0u);
    char name[8] = "#";
    g_host.MQObj_GetName(object.handle(), name, sizeof name);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(TakeBreachIds(), (std::vector<std::string>{"document.closed", "document.closed",
                                                         "object.closed-document", "object.closed-document",
                                                         "object.closed-document", "object.closed-document"}));
    EXPECT_TRUE(object.visible());
    EXPECT_EQ(g_host.MQDoc_GetObjectCount(open.handle()), 0) << "the open document is used as before";
    EXPECT_TRUE(host::TheBreaches().Empty());
}

}  // namespace
