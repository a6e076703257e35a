#include "lock/usb_drive_ejection.h"

#include "main_window_fixture.h"

namespace {

using Answer = fakes::FakeDeviceTree::Answer;
using platform::DeviceNode;

const std::string STILL_PLUGGED_IN =
    "Ces périphériques de stockage USB sont encore branchés et restent utilisables jusqu'à leur retrait :\r\n\r\n";
const std::string EJECT_NOW = "\r\n\r\nVoulez-vous les éjecter maintenant ?";
const std::string SAFE_TO_REMOVE = "Vous pouvez retirer ces périphériques en toute sécurité :\r\n\r\n";
const std::string IN_USE =
    "Ces périphériques n'ont pas pu être éjectés car ils sont en cours d'utilisation :\r\n\r\n";
const std::string CLOSE_FILES = "\r\n\r\nFermez les fichiers ouverts, puis retirez-les.";

// A machine as Plug and Play shows it: the root, a PCI bus with a USB host
// controller and its root hub, where the test plugs its devices in.
class UsbDriveEjection : public fakes::MainWindowFixture {
protected:
    fakes::FakeDeviceTree& tree = p.devices;
    DeviceNode pci = tree.add(tree.root_node, "ACPI\\PNP0A03\\0");
    DeviceNode controller = tree.add(pci, "PCI\\VEN_8086&DEV_24C2&SUBSYS_00000000&REV_02\\3&61AAA01&0&E8");
    DeviceNode root_hub = tree.add(controller, "USB\\ROOT_HUB\\4&2A4B1A7F&0");
    DeviceNode mouse = tree.add(root_hub, "USB\\VID_046D&PID_C016\\5&1F6B6E3&0&1", std::nullopt,
                                "Périphérique d'interface utilisateur USB");
    DeviceNode keyboard =
        tree.add(tree.root_node, "ACPI\\PNP0303\\4&1D401FB5&0", std::nullopt, "Clavier PS/2 standard");

    // A USB key: its USB device on the root hub, the storage node under it.
    struct Key {
        DeviceNode usb_device;
        DeviceNode storage;
    };
    Key plug_key(const std::string& serial, const std::string& friendly_name)
    {
        const DeviceNode usb_device = tree.add(root_hub, "USB\\VID_0781&PID_5567\\" + serial, std::nullopt,
                                               "Périphérique de stockage de masse USB");
        const DeviceNode storage =
            tree.add(usb_device, "USBSTOR\\DISK&VEN_SANDISK&PROD_CRUZER&REV_1.00\\" + serial + "&0", friendly_name,
                     "Lecteur de disque");
        return {usb_device, storage};
    }

    // Starts unlocked and locks from the menu, answering the question with `answer`.
    void lock_answering(int answer)
    {
        start_with(3);
        p.boxes.answers = {answer};
        choose("MNU_USBLocked");
    }

    void expect_locked()
    {
        EXPECT_EQ(stored_start(), 4);
        EXPECT_TRUE(form.locked());
        EXPECT_EQ(form.lock_item.caption(), "Verrou USB - OUI");
        EXPECT_TRUE(shows_icon(true));
        EXPECT_TRUE(form.window.loaded());
    }

    void expect_question(std::size_t index, const std::string& names)
    {
        ASSERT_GT(p.boxes.shown.size(), index);
        EXPECT_EQ(p.boxes.shown[index].text, STILL_PLUGGED_IN + names + EJECT_NOW);
        EXPECT_EQ(p.boxes.shown[index].buttons, platform::Buttons::yes_no);
        EXPECT_EQ(p.boxes.shown[index].icon, platform::BoxIcon::question);
    }

    void expect_outcome(const std::string& text, platform::BoxIcon icon)
    {
        ASSERT_EQ(p.boxes.shown.size(), 2u);
        EXPECT_EQ(p.boxes.shown[1].text, text);
        EXPECT_EQ(p.boxes.shown[1].buttons, platform::Buttons::ok);
        EXPECT_EQ(p.boxes.shown[1].icon, icon);
    }
};

TEST_F(UsbDriveEjection, WithoutAUsbDriveLockingAsksNothingMore)
{
    lock_answering(platform::ANSWER_YES);
    expect_locked();
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_TRUE(p.devices.removal_requests.empty());
    EXPECT_GT(p.devices.calls, 0); // the tree was looked at
}

TEST_F(UsbDriveEjection, OneKeyIsEjectedThroughItsUsbDeviceWhenTheUserSaysYes)
{
    const Key key = plug_key("4C530001", "SanDisk Cruzer USB Device");
    lock_answering(platform::ANSWER_YES);

    expect_question(0, "SanDisk Cruzer USB Device");
    EXPECT_EQ(tree.removal_requests, std::vector<DeviceNode>{key.usb_device});
    expect_outcome(SAFE_TO_REMOVE + "SanDisk Cruzer USB Device", platform::BoxIcon::information);
    expect_locked();
}

TEST_F(UsbDriveEjection, TheQuestionIsAskedAfterTheLockedIconIsUp)
{
    plug_key("4C530001", "SanDisk Cruzer USB Device");
    start_with(3);
    p.boxes.answers = {platform::ANSWER_NO};
    p.boxes.while_shown = [&] {
        EXPECT_EQ(stored_start(), 4);
        EXPECT_TRUE(shows_icon(true));
    };
    choose("MNU_USBLocked");
    EXPECT_EQ(p.boxes.shown.size(), 1u);
}

TEST_F(UsbDriveEjection, TheTextsAreWindows1252ByteForByte)
{
    plug_key("4C530001", "Cl\xE9 USB");
    lock_answering(platform::ANSWER_YES);
    ASSERT_EQ(p.boxes.shown.size(), 2u);
    EXPECT_EQ(p.boxes.shown[0].text,
              "Ces p\xE9riph\xE9riques de stockage USB sont encore branch\xE9s et restent utilisables jusqu'\xE0 leur "
              "retrait :\r\n\r\nCl\xE9 USB\r\n\r\nVoulez-vous les \xE9jecter maintenant ?");
    EXPECT_EQ(p.boxes.shown[1].text,
              "Vous pouvez retirer ces p\xE9riph\xE9riques en toute s\xE9"
              "curit\xE9 :\r\n\r\nCl\xE9 USB");
}

TEST_F(UsbDriveEjection, NoAsksForNoRemovalAndLeavesTheLockOn)
{
    plug_key("4C530001", "SanDisk Cruzer USB Device");
    lock_answering(platform::ANSWER_NO);
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    expect_question(0, "SanDisk Cruzer USB Device");
    EXPECT_TRUE(tree.removal_requests.empty());
    expect_locked();
}

TEST_F(UsbDriveEjection, TwoSlotsOfOneCardReaderAskTheirUsbDeviceOnce)
{
    const DeviceNode reader = tree.add(root_hub, "USB\\VID_058F&PID_6362\\058F312D81B", std::nullopt,
                                       "Périphérique de stockage de masse USB");
    tree.add(reader, "USBSTOR\\DISK&VEN_GENERIC&PROD_CF&REV_1.00\\058F312D81B&0", "Generic CF USB Device");
    tree.add(reader, "USBSTOR\\DISK&VEN_GENERIC&PROD_SD&REV_1.00\\058F312D81B&1", "Generic SD USB Device");
    lock_answering(platform::ANSWER_YES);

    expect_question(0, "Generic CF USB Device\r\nGeneric SD USB Device");
    EXPECT_EQ(tree.removal_requests, std::vector<DeviceNode>{reader});
    expect_outcome(SAFE_TO_REMOVE + "Generic CF USB Device\r\nGeneric SD USB Device", platform::BoxIcon::information);
}

TEST_F(UsbDriveEjection, AKeyInUseIsNamedAloneInTheWarning)
{
    const Key first = plug_key("4C530001", "SanDisk Cruzer USB Device");
    const Key second = plug_key("4C530002", "Disque USB de Paul");
    tree.refusing.insert(second.usb_device);
    lock_answering(platform::ANSWER_YES);

    expect_question(0, "SanDisk Cruzer USB Device\r\nDisque USB de Paul");
    EXPECT_EQ(tree.removal_requests, (std::vector<DeviceNode>{first.usb_device, second.usb_device}));
    expect_outcome(IN_USE + "Disque USB de Paul" + CLOSE_FILES, platform::BoxIcon::warning);
    expect_locked();
}

// The audit trail names what left the machine: the drives ejected, not those
// a program kept in use; an ejection that ejected nothing, or that the user
// declined, writes no such event.
TEST_F(UsbDriveEjection, TheEventOfEjectedDrivesNamesTheEjectedOnesOnly)
{
    const auto ejected_events = [this] {
        std::vector<std::vector<std::string>> found;
        for (const auto& event : p.events.events)
            if (event.id == program::EVENT_DRIVES_EJECTED)
                found.push_back(event.inserts);
        return found;
    };
    plug_key("4C530001", "SanDisk Cruzer USB Device");
    const Key second = plug_key("4C530002", "Disque USB de Paul");
    plug_key("4C530003", "Cl\xE9 de Marie");
    tree.refusing.insert(second.usb_device);
    lock_answering(platform::ANSWER_YES);
    EXPECT_EQ(ejected_events(), (std::vector<std::vector<std::string>>{
                                    {p.events.user, "SanDisk Cruzer USB Device, Cl\xE9 de Marie"}}));
}

TEST_F(UsbDriveEjection, NoEventOfEjectedDrivesWhenNoneWasEjected)
{
    const Key key = plug_key("4C530001", "SanDisk Cruzer USB Device");
    tree.refusing.insert(key.usb_device);
    lock_answering(platform::ANSWER_YES);
    p.boxes.answers = {platform::ANSWER_NO};
    choose("MNU_USBLocked"); // unlock asked: nothing ejected there either
    for (const auto& event : p.events.events)
        EXPECT_NE(event.id, program::EVENT_DRIVES_EJECTED);
}

TEST_F(UsbDriveEjection, AStorageNodeWhoseParentIsNotAUsbDeviceIsEjectedItself)
{
    const DeviceNode firewire = tree.add(pci, "SBP2\\MAXTOR&ONETOUCH&LUN0\\0010B92000A3B1D2");
    const DeviceNode storage = tree.add(firewire, "USBSTOR\\DISK&VEN_MAXTOR&PROD_ONETOUCH\\7&1&0", "Maxtor OneTouch");
    lock_answering(platform::ANSWER_YES);
    EXPECT_EQ(tree.removal_requests, std::vector<DeviceNode>{storage});
    expect_outcome(SAFE_TO_REMOVE + "Maxtor OneTouch", platform::BoxIcon::information);
}

TEST_F(UsbDriveEjection, DeviceIdsAreComparedInAnyLetterCase)
{
    const DeviceNode usb_device = tree.add(root_hub, "usb\\vid_0781&pid_5567\\4c530001");
    tree.add(usb_device, "UsbStor\\Disk&Ven_SanDisk\\4c530001&0", "SanDisk Cruzer USB Device");
    tree.add(usb_device, "USBSTORAGE\\NOT_A_DISK\\0", "Something else"); // not USBSTOR\ itself
    lock_answering(platform::ANSWER_YES);
    expect_question(0, "SanDisk Cruzer USB Device");
    EXPECT_EQ(tree.removal_requests, std::vector<DeviceNode>{usb_device});
}

TEST_F(UsbDriveEjection, UnlockingAsksNothingAndEjectsNothing)
{
    plug_key("4C530001", "SanDisk Cruzer USB Device");
    start_with(4);
    p.pump.script = {[&] { dialog.ok_button.on_click(); }}; // no password file: the empty password
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 3);
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_TRUE(tree.removal_requests.empty());
}

TEST_F(UsbDriveEjection, ALockMadeFromOutsideAsksNothing)
{
    plug_key("4C530001", "SanDisk Cruzer USB Device");
    start_with(3);
    seed_start(4);
    p.watch.notify();
    expect_locked();
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_EQ(tree.calls, 0);
}

TEST_F(UsbDriveEjection, ALockThatFailedAsksNothing)
{
    plug_key("4C530001", "SanDisk Cruzer USB Device");
    start_with(3);
    p.registry.set_status = 1018; // the key was deleted meanwhile
    choose("MNU_USBLocked");
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].text, lock::REGISTRY_READ_ERROR);
    EXPECT_EQ(tree.calls, 0);
}

// --- names ---------------------------------------------------------------------

struct NameSource {
    const char* name;
    std::optional<std::string> friendly_name;
    std::optional<std::string> description;
    const char* shown;
};

class DriveName : public UsbDriveEjection, public testing::WithParamInterface<NameSource> {};

TEST_P(DriveName, IsTheFirstOneTheDeviceHas)
{
    const auto& c = GetParam();
    const DeviceNode usb_device = tree.add(root_hub, "USB\\VID_0781&PID_5567\\4C530001");
    tree.add(usb_device, "USBSTOR\\DISK&VEN_SANDISK\\4C530001&0", c.friendly_name, c.description);
    lock_answering(platform::ANSWER_NO);
    expect_question(0, c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DriveName,
    testing::Values(NameSource{"FriendlyName", "SanDisk Cruzer USB Device", "Lecteur de disque",
                               "SanDisk Cruzer USB Device"},
                    NameSource{"DescriptionWithoutFriendlyName", std::nullopt, "Lecteur de disque",
                               "Lecteur de disque"},
                    NameSource{"DescriptionAfterAnEmptyFriendlyName", "", "Lecteur de disque", "Lecteur de disque"},
                    NameSource{"InstanceIdWithNeither", std::nullopt, std::nullopt,
                               "USBSTOR\\DISK&VEN_SANDISK\\4C530001&0"}),
    [](const testing::TestParamInfo<NameSource>& info) { return std::string(info.param.name); });

// --- answers the system could not give ------------------------------------------

enum class Outcome { nothing, question_named_by_id, warning };
enum class FailingFor { every_node, the_storage_node, the_usb_device };

struct AnswerFailure {
    const char* name;
    std::vector<Answer> answers;
    FailingFor failing_for;
    Outcome outcome;
};

class FailingAnswer : public UsbDriveEjection, public testing::WithParamInterface<AnswerFailure> {};

// Every failure means "no device found" or "this device refused": the lock
// stays on, nothing crashes, and no removal is asked of a device not found.
TEST_P(FailingAnswer, MeansNoDeviceOrARefusal)
{
    const auto& c = GetParam();
    const Key key = plug_key("4C530001", "SanDisk Cruzer USB Device");
    for (const Answer answer : c.answers) {
        switch (c.failing_for) {
        case FailingFor::every_node: tree.fail(answer); break;
        case FailingFor::the_storage_node: tree.fail(answer, key.storage); break;
        case FailingFor::the_usb_device: tree.fail(answer, key.usb_device); break;
        }
    }
    lock_answering(platform::ANSWER_YES);

    expect_locked();
    switch (c.outcome) {
    case Outcome::nothing:
        EXPECT_TRUE(p.boxes.shown.empty());
        EXPECT_TRUE(tree.removal_requests.empty());
        break;
    case Outcome::question_named_by_id:
        expect_question(0, "USBSTOR\\DISK&VEN_SANDISK&PROD_CRUZER&REV_1.00\\4C530001&0");
        expect_outcome(SAFE_TO_REMOVE + "USBSTOR\\DISK&VEN_SANDISK&PROD_CRUZER&REV_1.00\\4C530001&0",
                       platform::BoxIcon::information);
        break;
    case Outcome::warning:
        expect_question(0, "SanDisk Cruzer USB Device");
        EXPECT_EQ(tree.removal_requests, std::vector<DeviceNode>{key.usb_device});
        expect_outcome(IN_USE + "SanDisk Cruzer USB Device" + CLOSE_FILES, platform::BoxIcon::warning);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FailingAnswer,
    testing::Values(
        AnswerFailure{"Root", {Answer::root}, FailingFor::every_node, Outcome::nothing},
        AnswerFailure{"FirstChildEverywhere", {Answer::first_child}, FailingFor::every_node, Outcome::nothing},
        AnswerFailure{"FirstChildOfTheUsbDevice", {Answer::first_child}, FailingFor::the_usb_device,
                      Outcome::nothing},
        AnswerFailure{"NextSiblingEverywhere", {Answer::next_sibling}, FailingFor::every_node, Outcome::nothing},
        AnswerFailure{"ParentOfTheStorageNode", {Answer::parent}, FailingFor::the_storage_node, Outcome::nothing},
        AnswerFailure{"InstanceIdOfTheStorageNode", {Answer::instance_id}, FailingFor::the_storage_node,
                      Outcome::nothing},
        AnswerFailure{"InstanceIdOfTheUsbDevice", {Answer::instance_id}, FailingFor::the_usb_device,
                      Outcome::nothing},
        AnswerFailure{"BothNamesEverywhere", {Answer::friendly_name, Answer::description}, FailingFor::every_node,
                      Outcome::question_named_by_id},
        AnswerFailure{"Removal", {Answer::removal}, FailingFor::every_node, Outcome::warning}),
    [](const testing::TestParamInfo<AnswerFailure>& info) { return std::string(info.param.name); });

// A node that cannot be read hides only itself: the walk goes on.
TEST_F(UsbDriveEjection, AFailingNodeHidesOnlyWhatLiesBehindIt)
{
    const Key hidden = plug_key("4C530001", "SanDisk Cruzer USB Device");
    plug_key("4C530002", "Disque USB de Paul");
    tree.fail(Answer::instance_id, hidden.storage);
    lock_answering(platform::ANSWER_NO);
    expect_question(0, "Disque USB de Paul");
}

// --- trees that do not end -------------------------------------------------------

TEST_F(UsbDriveEjection, ALoopingTreeIsWalkedOnceAndEachDriveNamedOnce)
{
    const Key key = plug_key("4C530001", "SanDisk Cruzer USB Device");
    tree.nodes.at(key.storage).first_child = tree.root_node;             // down to the root again
    tree.nodes.at(keyboard).next_sibling = pci;                      // round the root's children
    tree.nodes.at(key.usb_device).next_sibling = key.usb_device;     // its own sibling
    lock_answering(platform::ANSWER_YES);
    expect_question(0, "SanDisk Cruzer USB Device");
    EXPECT_EQ(tree.removal_requests, std::vector<DeviceNode>{key.usb_device});
    EXPECT_LT(tree.calls, 100);
}

// Each node has a child never seen before: the walk gives up after a bound.
class EndlessTree : public fakes::FakeDeviceTree {
public:
    long long children_given = 0;
    std::optional<DeviceNode> first_child(DeviceNode node) override
    {
        ++children_given;
        const DeviceNode child = node + 1;
        nodes[child] = Node{"ROOT\\LEGACY_NODE\\" + std::to_string(child), {}, {}, node, {}, {}};
        return child;
    }
};

TEST(UsbDriveWalk, ATreeThatNeverEndsIsCutOff)
{
    EndlessTree tree;
    EXPECT_TRUE(lock::find_usb_drives(tree).empty());
    EXPECT_EQ(tree.children_given, static_cast<long long>(lock::MAX_DEVICE_NODES));
}

// The fake answers at the edges as the backend does on the real tree.
TEST(FakeDeviceTree, AnswersAtTheEdgesAsTheRealTree)
{
    fakes::FakeDeviceTree tree;
    const DeviceNode hub = tree.add(tree.root_node, "USB\\ROOT_HUB\\0");
    const DeviceNode key = tree.add(hub, "USBSTOR\\DISK\\1", std::nullopt, "Lecteur de disque");
    EXPECT_EQ(tree.root(), tree.root_node);
    EXPECT_EQ(tree.first_child(key), std::nullopt);
    EXPECT_EQ(tree.next_sibling(hub), std::nullopt);
    EXPECT_EQ(tree.parent(tree.root_node), std::nullopt);
    EXPECT_EQ(tree.parent(key), hub);
    EXPECT_EQ(tree.friendly_name(key), std::nullopt);
    EXPECT_EQ(tree.description(key), "Lecteur de disque");
    EXPECT_EQ(tree.instance_id(0x999), std::nullopt); // a node the tree does not hold
    tree.fail(Answer::instance_id, key);
    EXPECT_EQ(tree.instance_id(key), std::nullopt);
    EXPECT_EQ(tree.instance_id(hub), "USB\\ROOT_HUB\\0");
    EXPECT_EQ(tree.request_removal(key), platform::RemovalAnswer::ejected);
    tree.refusing.insert(hub);
    EXPECT_EQ(tree.request_removal(hub), platform::RemovalAnswer::refused);
    tree.fail(Answer::removal, key);
    EXPECT_EQ(tree.request_removal(key), platform::RemovalAnswer::refused);
    EXPECT_EQ(tree.removal_requests, (std::vector<DeviceNode>{key, hub, key}));
    tree.fail(Answer::root);
    EXPECT_EQ(tree.root(), std::nullopt);
}

} // namespace
