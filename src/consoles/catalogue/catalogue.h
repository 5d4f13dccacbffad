// The provider catalogue: everything that differs between the three cloud providers and is
// not behaviour of its own, held in one table so that every provider tab is built and driven
// by the same code.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ydt {

// In the order of the main window's tabs; the value is the tab index.
enum class ProviderKind { Tencent = 0, Aliyun = 1, Huawei = 2 };

inline constexpr std::array<ProviderKind, 3> kAllProviders = {
    ProviderKind::Tencent, ProviderKind::Aliyun, ProviderKind::Huawei};

// The provider shown on tab `index`, or nothing for an index outside 0..2.
std::optional<ProviderKind> ProviderFromIndex(int index);
inline int ProviderIndex(ProviderKind kind) {
  return static_cast<int>(kind);
}

// How the machine list is paged: Tencent counts machines from 0 ("offset"), the others
// count pages from 1 ("page").
enum class PagingStyle { Offset, Page };

struct StateWordEntry {
  std::string_view code;  // upper case
  std::string_view word;
};

struct ProviderInfo {
  ProviderKind kind;
  std::string_view displayName;  // tab caption, widget-name part and log-title prefix
  std::string_view segment;      // backend path segment
  std::string_view section;      // settings section

  // Region box items, display name + "（" + code + "）"; the settings keep the index.
  std::span<const std::string_view> regionItems;
  std::span<const StateWordEntry> stateWords;

  // Machine list reply layout.
  std::string_view totalPath;
  std::string_view listPath;
  PagingStyle paging;
  int firstRowNumber;  // Huawei numbers its grid rows from 0, the others from 1

  // Image-type codes for the items "私有镜像", "共享镜像", "公共镜像" (index 0, 1, 2).
  std::array<std::string_view, 3> imageTypeCodes;
  // Creation image list layout (also used by the reinstall image list).
  std::string_view imageListPath;
  std::string_view imageIdField;
  std::string_view imageNameField;

  std::span<const std::string_view> diskTypeItems;
  std::string_view instanceTypeDefault;
  std::string_view keyHintCaption;  // caption of the key-pair group

  // Form names that do not follow the kind_display-name_role pattern.
  std::string_view testButtonName;
  std::string_view instanceTypeButtonName;
  std::string_view netHelpButtonA;  // beside the first network-ID box; empty for Tencent
  std::string_view netHelpButtonB;

  // The two network-ID boxes (Aliyun, Huawei; all empty for Tencent): form role (the
  // last part of the box's name), caption, settings key and the sample ID the box starts
  // with.
  std::string_view netIdRoleA, netIdRoleB;
  std::string_view netIdCaptionA, netIdCaptionB;
  std::string_view netIdKeyA, netIdKeyB;
  std::string_view netIdSampleA, netIdSampleB;

  bool HasNetworkIds() const { return !netIdRoleA.empty(); }
};

const ProviderInfo& Info(ProviderKind kind);

// Captions of the image-type boxes, in index order.
inline constexpr std::array<std::string_view, 3> kImageTypeItems = {"私有镜像", "共享镜像",
                                                                    "公共镜像"};

// Bandwidth box items and the value each stands for (the same on every tab).
struct BandwidthItem {
  std::string_view text;
  int value;
};
std::span<const BandwidthItem> BandwidthItems();

// Tencent's billing-type items.
std::span<const std::string_view> ChargeTypeItems();

// The machine password every creation template starts with.
inline constexpr std::string_view kDefaultMachinePassword = "Qzt.Hv731.Nep#";

// The form name of a provider control: kind + "_" + display name + "_" + role, e.g.
// WidgetName("编辑框", Huawei, "secretid") = "编辑框_华为云_secretid".
std::string WidgetName(std::string_view controlKind, ProviderKind kind, std::string_view role);

// "/yunduotai/" + segment + "/" + operation + "/".
std::string BackendPath(ProviderKind kind, std::string_view operation);

// Display name + " - " + suffix, e.g. "华为云 - 关闭主机".
std::string LogTitle(ProviderKind kind, std::string_view suffix);

// The code carried by an item written as text + "（" + code + "）": the part after the
// first "（", without any "）" and CR/LF pair, trimmed of spaces; empty without "（".
std::string itemCode(std::string_view itemText);

// The Chinese word for a machine state code; the code is upper-cased first and an unknown
// code is returned upper-cased.
std::string StateWord(ProviderKind kind, std::string_view code);

// Huawei has no zone request: its zones come from this table. Empty for an unknown region.
std::span<const std::string_view> HuaweiZones(std::string_view regionCode);

// The image-type code of an image-type item text, or nothing when the text matches none.
std::optional<std::string_view> ImageTypeCode(ProviderKind kind, std::string_view itemText);

}  // namespace ydt
