#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/device_tree.h"

namespace lock {

inline constexpr char DRIVES_STILL_PLUGGED_IN[] =
    "Ces périphériques de stockage USB sont encore branchés et restent utilisables jusqu'à leur retrait :";
inline constexpr char EJECT_QUESTION[] = "Voulez-vous les éjecter maintenant ?";
inline constexpr char DRIVES_EJECTED[] = "Vous pouvez retirer ces périphériques en toute sécurité :";
inline constexpr char DRIVES_IN_USE[] =
    "Ces périphériques n'ont pas pu être éjectés car ils sont en cours d'utilisation :";
inline constexpr char CLOSE_FILES_ADVICE[] = "Fermez les fichiers ouverts, puis retirez-les.";

// The walk of the device tree gives up after this many nodes, so a tree that
// loops or never ends cannot hang the program; real machines have a few hundred.
inline constexpr std::size_t MAX_DEVICE_NODES = 10000;

// A USB mass-storage device that is plugged in.
struct UsbDrive {
    std::string name;
    // The node a safe removal is asked of: the USB device holding the storage
    // node when there is one, else the storage node itself.
    platform::DeviceNode removal_node;
};

// The USBSTOR\ device instances of the tree, in the tree's order. A call
// that fails leaves out what it was needed for, never more.
std::vector<UsbDrive> find_usb_drives(platform::DeviceTree& devices);

// Names, in the order of the drives given.
struct EjectionResult {
    std::vector<std::string> ejected;
    std::vector<std::string> refused;
};

// Asks each removal node once (a card reader's slots share one) and sorts the
// drives by the answer.
EjectionResult eject_usb_drives(platform::DeviceTree& devices, const std::vector<UsbDrive>& drives);

std::string eject_question_text(const std::vector<UsbDrive>& drives);
// The box after the requests: the ejected drives, or the refused ones.
std::string ejection_outcome_text(const EjectionResult& result);

} // namespace lock
