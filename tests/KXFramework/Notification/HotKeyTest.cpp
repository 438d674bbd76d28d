#include "KXFramework/Notification/GlobalHotKeyManager.h"
#include "KXFramework/Notification/KeyBindingMap.h"
#include "KXFramework/Notification/Notification.h"
#include "KXFramework/Notification/NotificationQueue.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"

#include "NotificationDoubles.h"

#include <gtest/gtest.h>

namespace KX::Test {

namespace {

using KX::KeyBindingMap;
using KX::KeyCode;
using KX::String;

KX::Array<KX::Pair<String, String>> Entries(std::initializer_list<std::pair<const char16_t*, const char16_t*>> list)
{
    KX::Array<KX::Pair<String, String>> entries;
    for (const auto& [key, text] : list)
        entries.Add({String(key), String(text)});
    return entries;
}

KeyCode Key(const char16_t* expression)
{
    return KeyCode(String(expression));
}

// The application's own table.
const auto kApplicationTable = {
    std::pair{u"GHK.NID_EDIT_DELETE_REQ", u"VKEY_DELETE"},
    std::pair{u"GHK_WIN.NID_EDIT_COPY_REQ", u"Ctrl+VKEY_C"},
    std::pair{u"GHK_WIN.NID_EDIT_CUT_REQ", u"Ctrl+VKEY_X"},
    std::pair{u"GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE", u"Ctrl+Shift+VKEY_R"},
    std::pair{u"GHK_WIN.NID_MENU_FILE_SEND_PRESET_TO_DEVICE", u"Ctrl+Shift+VKEY_S"},
    std::pair{u"GHK_MAC.NID_EDIT_COPY_REQ", u"Command+VKEY_C"},
    std::pair{u"GHK_WIN.NID_BROKEN", u"VKEY_NOSUCH"},
    std::pair{u"LABEL", u"Ctrl+VKEY_L"},
};

TEST(KeyBindingMap, LoadsOnlyTheEntriesOfItsPrefix)
{
    KeyBindingMap global;
    ASSERT_EQ(global.LoadFromEntries(Entries(kApplicationTable), String(u"GHK")), KX::S_OK);
    EXPECT_TRUE(global.HasNotification(u"NID_EDIT_DELETE_REQ"));
    EXPECT_FALSE(global.HasNotification(u"NID_EDIT_COPY_REQ"));
    EXPECT_EQ(global.FindNotificationID(Key(u"Ctrl+VKEY_C")), nullptr);

    KeyBindingMap windows;
    ASSERT_EQ(windows.LoadFromEntries(Entries(kApplicationTable), String(u"GHK_WIN")), KX::S_OK);
    EXPECT_FALSE(windows.HasNotification(u"NID_EDIT_DELETE_REQ"));
    EXPECT_FALSE(windows.HasNotification(u"NID_BROKEN")); // its key does not parse
    EXPECT_FALSE(windows.HasNotification(u""));
    EXPECT_FALSE(windows.HasNotification(nullptr));
    const KX::NotificationID copy = windows.FindNotificationID(Key(u"Ctrl+VKEY_C"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy, KX::InternNotificationName(u"NID_EDIT_COPY_REQ"));
    EXPECT_EQ(KX::GetNotificationName(windows.FindNotificationID(Key(u"ctrl+shift+vkey_s"))),
              String(u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE"));
    // Ctrl+R without Shift is another key.
    EXPECT_EQ(windows.FindNotificationID(Key(u"Ctrl+VKEY_R")), nullptr);
    // A key up is not the bound key press.
    EXPECT_EQ(windows.FindNotificationID(KeyCode(0x01430000, 0x01, 0)), nullptr);

    KeyCode first;
    ASSERT_TRUE(windows.GetFirstKey(u"NID_EDIT_CUT_REQ", first));
    EXPECT_EQ(first.key, KeyCode::Press('X', KeyCode::kCtrlKey));
    EXPECT_FALSE(windows.GetFirstKey(u"NID_NEVER_BOUND_ANYWHERE", first));

    windows.Clear();
    EXPECT_FALSE(windows.HasNotification(u"NID_EDIT_CUT_REQ"));
    EXPECT_EQ(windows.FindNotificationID(Key(u"Ctrl+VKEY_C")), nullptr);
}

TEST(KeyBindingMap, TheFirstBindingOfAKeyWinsAndTypedCharactersMatchAnyShift)
{
    KeyBindingMap map;
    EXPECT_EQ(map.Bind(KeyCode(3, 0), u"NID_TYPED_CTRL_C"), KX::S_OK);
    EXPECT_EQ(map.Bind(Key(u"Alt+VKEY_F4"), u"NID_FIRST"), KX::S_OK);
    EXPECT_EQ(map.Bind(Key(u"Alt+VKEY_F4"), u"NID_SECOND"), KX::S_OK);
    EXPECT_EQ(KX::GetNotificationName(map.FindNotificationID(Key(u"Alt+VKEY_F4"))), String(u"NID_FIRST"));

    EXPECT_EQ(KX::GetNotificationName(map.FindNotificationID(KeyCode(3, KeyCode::kCtrlFlag))),
              String(u"NID_TYPED_CTRL_C"));
    EXPECT_EQ(KX::GetNotificationName(map.FindNotificationID(KeyCode(3, KeyCode::kCtrlFlag | 0x20))),
              String(u"NID_TYPED_CTRL_C"));

    // Several keys for one name: the first can be read back.
    EXPECT_EQ(map.Bind(Key(u"VKEY_F5"), u"NID_SECOND"), KX::S_OK);
    KeyCode first;
    ASSERT_TRUE(map.GetFirstKey(u"NID_SECOND", first));
    EXPECT_EQ(first, Key(u"Alt+VKEY_F4"));

    EXPECT_EQ(map.Bind(KeyCode(), u"NID_X"), KX::E_INVALIDARG);
    EXPECT_EQ(map.Bind(Key(u"VKEY_F6"), u""), KX::E_INVALIDARG);
    EXPECT_EQ(map.Bind(Key(u"VKEY_F6"), nullptr), KX::E_INVALIDARG);
    EXPECT_FALSE(map.HasNotification(u"NID_X"));
}

TEST(GlobalHotKeyManager, PostsOneNotificationWithACopyOfTheKey)
{
    KX::RCPtr<KX::Test::Recorder> receiver(new KX::Test::Recorder("queue"));
    KX::RCPtr<KX::LNotification> received;
    receiver->react = [&](const KX::RCPtr<KX::LNotificationDistributor>&, const KX::RCPtr<KX::LNotification>& n) {
        received = n;
    };
    KX::RCPtr<KX::LGlobalHotKeyManager> manager = KX::LGlobalHotKeyManager::Create(receiver);
    ASSERT_TRUE(manager);
    static_cast<void>(manager->GetKeyBindingMap().Bind(Key(u"Alt+VKEY_F4"), u"NID_APP_EXIT_REQ"));

    EXPECT_EQ(manager->ProcessKey(Key(u"Alt+VKEY_F5").key, 0x40, 0), KX::S_FALSE);
    EXPECT_EQ(receiver->received, 0);

    EXPECT_EQ(manager->ProcessKey(KeyCode::Press((VirtualKey::kF1 + 3), KeyCode::kAltKey), 0xC0, 1), KX::S_OK);
    EXPECT_EQ(receiver->received, 1);
    EXPECT_EQ(receiver->lastSender, nullptr);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->GetName(), String(u"NID_APP_EXIT_REQ"));
    KX::RCPtr<KX::LHolder<KeyCode>> payload(received->GetPayload());
    ASSERT_TRUE(payload);
    EXPECT_EQ(*payload->value, KeyCode(KeyCode::Press((VirtualKey::kF1 + 3), KeyCode::kAltKey), 0xC0, 1));

    // Without a receiver a bound key cannot be delivered.
    KX::RCPtr<KX::LGlobalHotKeyManager> orphan = KX::LGlobalHotKeyManager::Create(nullptr);
    static_cast<void>(orphan->GetKeyBindingMap().Bind(Key(u"VKEY_F1"), u"NID_HELP"));
    EXPECT_EQ(orphan->ProcessKey(KeyCode::Press(VirtualKey::kF1), 0, 0), KX::E_FAIL);
    EXPECT_EQ(orphan->ProcessKey(KeyCode::Press(VirtualKey::kF1 + 1), 0, 0), KX::S_FALSE);

    // A receiver that refuses the post (its queue is shut down) is not reported as a delivery.
    KX::RCPtr<KX::LNotificationQueue> queue(new KX::LNotificationQueue);
    KX::RCPtr<KX::LGlobalHotKeyManager> closed = KX::LGlobalHotKeyManager::Create(queue->GetPostingReceiver());
    static_cast<void>(closed->GetKeyBindingMap().Bind(Key(u"VKEY_F1"), u"NID_HELP"));
    queue->Shutdown();
    EXPECT_EQ(closed->ProcessKey(KeyCode::Press(VirtualKey::kF1), 0, 0), KX::E_FAIL);
}

} // namespace

} // namespace KX::Test
