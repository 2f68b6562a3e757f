#include "shell/WindowLayout.h"

#include "controls/HotCommand.h"
#include "controls/Twips.h"
#include "controls/ucPBar.h"
#include "shell/frmMainControls.h"

#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeView>

using namespace Qt::StringLiterals;

// The layout lives in a static library, whose resources only register when asked to.
static void InitShellResources() { Q_INIT_RESOURCE(shell); }

namespace WindowLayout {
namespace {

int Px(qint32 twips) { return qRound(Twips::ToPixels(twips)); }

QRect Geometry(const PropertyBag& bag) {
    return {Px(bag.ReadProperty(u"Left"_s, qint32(0))), Px(bag.ReadProperty(u"Top"_s, qint32(0))),
            Px(bag.ReadProperty(u"Width"_s, qint32(0))),
            Px(bag.ReadProperty(u"Height"_s, qint32(0)))};
}

// Colours, font and the common flags of a standard widget.
void ApplyLook(QWidget* w, const PropertyBag& bag, QPalette::ColorRole back,
               QPalette::ColorRole fore) {
    QPalette pal = w->palette();
    if (bag.Contains(u"BackColor"_s)) {
        const QColor c = ResolveColor(bag.ReadProperty(u"BackColor"_s, OleColor{}), pal);
        pal.setColor(back, c);
        const bool opaque = bag.ReadProperty(u"BackStyle"_s, qint32(1)) != 0;
        w->setAutoFillBackground(opaque && back == QPalette::Window);
    }
    if (bag.Contains(u"ForeColor"_s)) {
        const QColor c = ResolveColor(bag.ReadProperty(u"ForeColor"_s, OleColor{}), pal);
        // Shown the same whether or not the element takes input.
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(group, fore, c);
    }
    if (bag.Contains(u"BackColor"_s)) {
        pal.setColor(QPalette::Disabled, back, pal.color(QPalette::Active, back));
        // The style's pale disabled text vanishes on the grey boxes; keep it readable.
        if (!bag.Contains(u"ForeColor"_s))
            pal.setColor(QPalette::Disabled, fore, QColor(0x70, 0x70, 0x70));
    }
    w->setPalette(pal);
    if (bag.Contains(u"Font"_s)) {
        QFont f = bag.ReadProperty(u"Font"_s, QFont());
        f.setBold(bag.ReadProperty(u"FontBold"_s, f.bold()));
        w->setFont(f);
    }
    w->setEnabled(bag.ReadProperty(u"Enabled"_s, true));
}

QWidget* Create(const StoredControl& c, QWidget* container) {
    const PropertyBag& bag = c.Properties;
    const QString caption = bag.ReadProperty(u"Caption"_s, QString());
    if (c.ClassName == u"Quillan.HotCommand") {
        auto* b = new HotCommand(container);
        b->ReadProperties(bag);
        return b;
    }
    if (c.ClassName == u"Quillan.ucPBar") {
        auto* bar = new ucPBar(container);
        bar->ReadProperties(bag);
        return bar;
    }
    if (c.ClassName == u"VB.Frame") {
        auto* frame = new QGroupBox(caption, container);
        ApplyLook(frame, bag, QPalette::Window, QPalette::WindowText);
        return frame;
    }
    if (c.ClassName == u"VB.PictureBox") {
        auto* box = new QWidget(container);
        ApplyLook(box, bag, QPalette::Window, QPalette::WindowText);
        return box;
    }
    if (c.ClassName == u"VB.Label") {
        auto* label = new QLabel(caption, container);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setTextFormat(Qt::PlainText);
        ApplyLook(label, bag, QPalette::Window, QPalette::WindowText);
        return label;
    }
    if (c.ClassName == u"VB.CheckBox") {
        auto* box = new QCheckBox(caption, container);
        ApplyLook(box, bag, QPalette::Window, QPalette::WindowText);
        // A button fills with the Button role; the band colour is stored as Window.
        box->setBackgroundRole(QPalette::Window);
        box->setAutoFillBackground(true);
        return box;
    }
    if (c.ClassName == u"VB.TextBox") {
        const QString text = bag.ReadProperty(u"Text"_s, QString());
        if (bag.ReadProperty(u"MultiLine"_s, false)) {
            auto* edit = new QPlainTextEdit(text, container);
            edit->setVerticalScrollBarPolicy(bag.ReadProperty(u"ScrollBars"_s, qint32(0)) >= 2
                                                 ? Qt::ScrollBarAlwaysOn
                                                 : Qt::ScrollBarAsNeeded);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setFrameShape(QFrame::Box);
            ApplyLook(edit, bag, QPalette::Base, QPalette::Text);
            return edit;
        }
        auto* edit = new QLineEdit(text, container);
        edit->setFrame(false);
        edit->setTextMargins(2, 0, 2, 0);
        ApplyLook(edit, bag, QPalette::Base, QPalette::Text);
        return edit;
    }
    if (c.ClassName == u"ComctlLib.TreeView") {
        auto* tree = new QTreeView(container);
        tree->setHeaderHidden(true);
        tree->setUniformRowHeights(true);
        tree->setRootIsDecorated(true);
        tree->setIndentation(16);
        tree->setIconSize(QSize(16, 16));
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        tree->header()->setStretchLastSection(false);
        ApplyLook(tree, bag, QPalette::Base, QPalette::Text);
        return tree;
    }
    qFatal("stored layout: unknown element class %s", qPrintable(c.ClassName));
}

} // namespace

QList<StoredControl> Stored() {
    InitShellResources();
    QFile file(u":/quillan/frmMain.layout"_s);
    if (!file.open(QIODevice::ReadOnly)) qFatal("stored layout missing from the resources");
    const LayoutReadResult read = ReadLayoutText(QString::fromUtf8(file.readAll()));
    if (!read.Ok()) qFatal("stored layout, line %d: %s", read.ErrorLine, qPrintable(read.Error));
    return read.Controls;
}

void UseClosestFonts() {
    // Faces with the metrics of the design fonts first; DejaVu Sans Condensed is close in
    // width where nothing better is installed.
    const QStringList near = {u"Liberation Sans"_s, u"Arial"_s, u"Helvetica"_s,
                              u"DejaVu Sans Condensed"_s, u"DejaVu Sans"_s};
    const QStringList installed = QFontDatabase::families();
    for (const QString& design : {u"Tahoma"_s, u"MS Sans Serif"_s}) {
        if (installed.contains(design, Qt::CaseInsensitive)) continue;
        QStringList list = {u"Microsoft Sans Serif"_s};
        list += near;
        QStringList present;
        for (const QString& f : list)
            if (installed.contains(f, Qt::CaseInsensitive)) present += f;
        QFont::insertSubstitutions(design, present);
    }
}

QHash<QString, QWidget*> Build(QWidget* form, const QList<StoredControl>& controls) {
    QHash<QString, QWidget*> byName;
    for (const StoredControl& c : controls) {
        const PropertyBag& bag = c.Properties;
        if (c.ClassName == u"VB.Form") {
            form->setWindowTitle(bag.ReadProperty(u"Caption"_s, QString()));
            form->setFixedSize(Px(bag.ReadProperty(u"Width"_s, qint32(0))),
                               Px(bag.ReadProperty(u"Height"_s, qint32(0))));
            ApplyLook(form, bag, QPalette::Window, QPalette::WindowText);
            form->setAutoFillBackground(true);
            byName.insert(c.Name, form);
            continue;
        }
        const QString containerName = bag.ReadProperty(u"Container"_s, QString());
        QWidget* container = containerName.isEmpty() ? form : byName.value(containerName);
        if (!container) qFatal("stored layout: %s comes before its container", qPrintable(c.Name));
        QWidget* w = Create(c, container);
        w->setObjectName(c.Name);
        w->setGeometry(Geometry(bag));
        if (auto* pbar = qobject_cast<ucPBar*>(w)) pbar->LayoutPass();
        if (auto* button = qobject_cast<HotCommand*>(w)) button->LayoutPass();
        w->setVisible(bag.ReadProperty(u"Visible"_s, true));
        byName.insert(c.Name, w);
    }
    return byName;
}

QStringList Bind(const QHash<QString, QWidget*>& built, frmMainControls& into) {
    QStringList problems;
    for (const frmMainControls::Binding& b : frmMainControls::Bindings()) {
        const QString name = b.Name.toString();
        const QString wanted = QString::fromLatin1(b.Kind->className());
        QWidget* w = built.value(name);
        if (!w)
            problems << u"no element %1 (wanted a %2)"_s.arg(name, wanted);
        else if (!w->metaObject()->inherits(b.Kind))
            problems << u"%1 is a %2, not a %3"_s.arg(
                name, QString::fromLatin1(w->metaObject()->className()), wanted);
        else
            b.Set(into, w);
    }
    return problems;
}

} // namespace WindowLayout
