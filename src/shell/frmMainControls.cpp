#include "shell/frmMainControls.h"

#include "controls/HotCommand.h"
#include "controls/ucPBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeView>

#include <type_traits>

namespace {

using Binding = frmMainControls::Binding;

template <auto Member> Binding Bound(QStringView name) {
    using T = std::remove_pointer_t<
        std::remove_reference_t<decltype(std::declval<frmMainControls&>().*Member)>>;
    return {name, &T::staticMetaObject,
            [](const frmMainControls& c) -> QWidget* { return c.*Member; },
            [](frmMainControls& c, QWidget* w) { c.*Member = static_cast<T*>(w); }};
}

template <auto Member, size_t I> Binding BoundAt(QStringView name) {
    using T = std::remove_pointer_t<typename std::remove_reference_t<
        decltype(std::declval<frmMainControls&>().*Member)>::value_type>;
    return {name, &T::staticMetaObject,
            [](const frmMainControls& c) -> QWidget* { return (c.*Member)[I]; },
            [](frmMainControls& c, QWidget* w) { (c.*Member)[I] = static_cast<T*>(w); }};
}

// The layout names its elements as the members are named, so the name is the member's own.
#define QUILLAN_BIND(member) Bound<&frmMainControls::member>(u"" #member)
#define QUILLAN_BIND_AT(member, i) BoundAt<&frmMainControls::member, i>(u"" #member "(" #i ")")

// Not constexpr: on Windows the classes' meta-objects live in the Qt DLLs, whose addresses are
// known only once they are loaded.
const Binding Table[] = {
    QUILLAN_BIND(txtFileName),
    QUILLAN_BIND(cmdOpenDefault),
    QUILLAN_BIND(cmdGetLog),
    QUILLAN_BIND(cmdNoSort),
    QUILLAN_BIND(cmdByDate),
    QUILLAN_BIND(cmdByName),
    QUILLAN_BIND(cmdByURL),
    QUILLAN_BIND(cmdByLocal),
    QUILLAN_BIND(cmdPlay),
    QUILLAN_BIND(tvwFiles),
    QUILLAN_BIND(cmdCase),
    QUILLAN_BIND(txtSearch),
    QUILLAN_BIND(cmdSearchPrev),
    QUILLAN_BIND(cmdSearch),
    QUILLAN_BIND(cmdSearchNext),
    QUILLAN_BIND(Label4),
    QUILLAN_BIND(Picture1),
    QUILLAN_BIND(lblLogChanged),
    QUILLAN_BIND_AT(lblStatTxt, 0),
    QUILLAN_BIND_AT(lblStatTxt, 1),
    QUILLAN_BIND_AT(lblStatTxt, 2),
    QUILLAN_BIND_AT(lblStatTxt, 3),
    QUILLAN_BIND_AT(lblStatTxt, 4),
    QUILLAN_BIND_AT(lblStatTxt, 5),
    QUILLAN_BIND_AT(lblStatTxt, 6),
    QUILLAN_BIND(chkMonitor),
    QUILLAN_BIND(txtGetright),
    QUILLAN_BIND(cmdReRead),
    QUILLAN_BIND(cmdExit),
    QUILLAN_BIND(PBar1),
    QUILLAN_BIND(Text1),
};

#undef QUILLAN_BIND
#undef QUILLAN_BIND_AT

// Every member is a pointer: a member added without a row here fails the build.
static_assert(std::size(Table) * sizeof(QWidget*) == sizeof(frmMainControls));

} // namespace

std::span<const Binding> frmMainControls::Bindings() { return Table; }
