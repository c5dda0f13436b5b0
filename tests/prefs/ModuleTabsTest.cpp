#include "PrefsTestSupport.h"
#include "TestEnvironment.h"
#include "prefs/ColorWell.h"
#include "prefs/CpuTabViewController.h"
#include "prefs/ElementOrderRow.h"
#include "prefs/NetworkTabViewController.h"
#include "prefs/PreferenceWindow.h"
#include "prefs/TempTabViewController.h"
#include "prefs/TopTabViewController.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace orb;

namespace {

class ModuleTabsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SettingsStore::resetSharedInstances();
        store = SettingsStore::open();
        PrefFunctions::initializeGeneralPreference(*store);
        for (const ModuleInfo *m : ModuleCatalog::all())
            PrefFunctions::initializeModulePreference(m->id, *store);
    }
    void TearDown() override { SettingsStore::resetSharedInstances(); }

    template <typename T>
    T *control(QWidget &tab, const char *key)
    {
        T *w = tab.findChild<T *>(QLatin1String(key));
        EXPECT_NE(w, nullptr) << key;
        return w;
    }

    test::ScopedHome home;
    std::shared_ptr<SettingsStore> store;
    PreferenceCenter center;
};

} // namespace

// Each control writes a key its module's settings builder reads (a colour well: a theme key
// the module's settings carry), so no control can be silently lost on a typo.
TEST_F(ModuleTabsTest, EveryControlWritesAKeyItsModuleReads)
{
    const QVariantMap theme = ThemeStore::loadTheme();
    PreferenceWindow window(*store, center);
    for (const ModuleInfo *m : ModuleCatalog::all()) {
        ModuleTabViewController *tab = window.moduleTab(m->id);
        if (m->id == ModuleId::General) {
            EXPECT_EQ(tab, nullptr);
            continue;
        }
        ASSERT_NE(tab, nullptr) << m->prefName;
        const QVariantMap settings = PrefFunctions::loadModuleDefaults(m->id, *store, theme);
        for (const TabControl &c : tab->spec().controls)
            EXPECT_TRUE(settings.contains(QLatin1String(c.key))) << m->prefName << " " << c.key;
        if (*tab->spec().sortKey) {
            EXPECT_TRUE(settings.contains(QLatin1String(tab->spec().sortKey))) << m->prefName;
        }
        EXPECT_EQ(window.page(m->tabIndex)->objectName(), QLatin1String(m->key));
    }
}

// Keyboard users reach every control with Tab, and screen readers can name it.
TEST_F(ModuleTabsTest, EveryControlIsNamedAndReachableByKeyboard)
{
    PreferenceWindow window(*store, center);
    int controls = 0;
    for (QWidget *w : window.findChildren<QWidget *>()) {
        const bool interactive = qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractSlider *>(w)
            || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w)
            || qobject_cast<ElementWrapView *>(w);
        // Tab bar scroll arrows and the scroll areas' own bars are Qt's.
        if (!interactive || w->inherits("QToolButton") || w->inherits("QScrollBar"))
            continue;
        ++controls;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className() << " " << qPrintable(w->objectName());
        EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << qPrintable(w->objectName());
    }
    EXPECT_GT(controls, 150);
}

TEST_F(ModuleTabsTest, DisplaySwitchesStoreAndAnnounceLaunchChanges)
{
    CpuTabViewController tab(*store, center);
    test::NotificationRecorder notes(center);
    // First run: graph and text on.
    control<QCheckBox>(tab, "Cpu_Display_Graph")->click();
    ASSERT_EQ(notes.posted.size(), 1u);
    EXPECT_EQ(notes.last().name, "CpuModuleNotif");
    EXPECT_FALSE(store->boolForKey("Cpu_Display_Graph"));
    EXPECT_FALSE(notes.last().info.value("ModuleAllocNow").toBool());
    EXPECT_FALSE(control<QSlider>(tab, "Cpu_GraphWidth")->isEnabled()) << "width of a hidden graph";
    EXPECT_FALSE(control<QCheckBox>(tab, "CPU_GraphAsLine")->isEnabled());

    control<QCheckBox>(tab, "Cpu_Display_Text")->click();
    EXPECT_FALSE(notes.last().info.value("ModuleAllocNow").toBool()) << "the last element off removes the item";
    control<QCheckBox>(tab, "Cpu_Display_LevelBar")->click();
    EXPECT_TRUE(notes.last().info.value("ModuleAllocNow").toBool()) << "the first element on brings it back";
    control<QCheckBox>(tab, "Cpu_Display_CircleMeter")->click();
    EXPECT_FALSE(notes.last().info.value("ModuleAllocNow").toBool());
    EXPECT_DOUBLE_EQ(tab.elementRow()->view(1)->opacity(), 0.3);
    EXPECT_DOUBLE_EQ(tab.elementRow()->view(2)->opacity(), 1.0);

    control<QCheckBox>(tab, "CPU_EnaMenu_Tmnl")->click();
    EXPECT_TRUE(store->boolForKey("CPU_EnaMenu_Tmnl"));
    EXPECT_TRUE(notes.last().info.value("ModuleItemRefreshNow").toBool()) << "the menu gains a command";
    // What was stored is on disk, not only in memory.
    SettingsStore fresh(SettingsStore::kOwnDomain, SettingsStore::defaultDirectory());
    EXPECT_TRUE(fresh.boolForKey("CPU_EnaMenu_Tmnl"));
    EXPECT_TRUE(fresh.boolForKey("Cpu_Display_LevelBar"));
}

TEST_F(ModuleTabsTest, SlidersStoreTheirValueAndShowItInTheLabel)
{
    CpuTabViewController tab(*store, center);
    test::NotificationRecorder notes(center);
    auto *width = control<QSlider>(tab, "Cpu_GraphWidth");
    auto *field = control<QSpinBox>(tab, "Cpu_GraphWidth");
    width->setValue(7);
    EXPECT_EQ(store->integerForKey("Cpu_GraphWidth"), 35);
    EXPECT_EQ(field->value(), 35);
    EXPECT_TRUE(tab.sliderLabel("Cpu_GraphWidth")->text().contains("35"));
    ASSERT_EQ(notes.posted.size(), 1u);
    EXPECT_FALSE(notes.last().info.value("ModuleDefaultReload").toBool());

    control<QSlider>(tab, "Cpu_UpdateInterval")->setValue(4);
    EXPECT_EQ(store->integerForKey("Cpu_UpdateInterval"), 4);
    EXPECT_TRUE(tab.sliderLabel("Cpu_UpdateInterval")->text().contains("4"));

    // Dragged: every step is announced, the file is written when the handle is let go.
    const auto onDisk = [] {
        return SettingsStore(SettingsStore::kOwnDomain, SettingsStore::defaultDirectory()).integerForKey("Cpu_GraphWidth");
    };
    const size_t before = notes.posted.size();
    width->setSliderDown(true);
    width->setValue(8);
    width->setValue(9);
    EXPECT_EQ(store->integerForKey("Cpu_GraphWidth"), 45);
    EXPECT_EQ(notes.posted.size(), before + 2);
    EXPECT_TRUE(tab.sliderLabel("Cpu_GraphWidth")->text().contains("45"));
    EXPECT_EQ(onDisk(), 35);
    width->setSliderDown(false);
    EXPECT_EQ(onDisk(), 45);
}

TEST_F(ModuleTabsTest, TypedValuesAreCheckedBeforeTheyAreStored)
{
    CpuTabViewController tab(*store, center);
    tab.show();
    auto *field = control<QSpinBox>(tab, "Cpu_GraphWidth");
    struct Case {
        const char *typed;
        qint64 stored;
        const char *why;
    };
    for (const Case &c : {Case{"abc", 30, "letters are refused"}, Case{"33", 35, "between two steps: the nearer"},
                          Case{"5", 35, "below the narrowest: the value stays"},
                          Case{"500", 50, "a digit past the widest is refused"}, Case{"200", 200, "the widest"}}) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QLatin1String(c.typed));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(store->integerForKey("Cpu_GraphWidth"), c.stored) << c.typed << ": " << c.why;
        EXPECT_EQ(field->value(), c.stored) << c.typed;
        const qint64 stored = store->integerForKey("Cpu_GraphWidth");
        EXPECT_TRUE(stored >= 10 && stored <= 200 && stored % 5 == 0) << stored;
    }
}

TEST_F(ModuleTabsTest, StoredValuesOutsideASliderAreBroughtIntoItAndAnnounced)
{
    struct Case {
        const char *key;
        qint64 stored;
        int position;
        qint64 kept;
    };
    for (const Case &c : {Case{"Cpu_GraphWidth", 34, 6, 30}, Case{"Cpu_GraphWidth", 9999, 40, 200},
                          Case{"Cpu_UpdateInterval", 0, 1, 1}, Case{"Cpu_Padding", -5, 0, 0}}) {
        store->setInteger(QLatin1String(c.key), c.stored);
        test::NotificationRecorder notes(center);
        CpuTabViewController tab(*store, center);
        EXPECT_EQ(control<QSlider>(tab, c.key)->value(), c.position) << c.key << " " << c.stored;
        EXPECT_EQ(store->integerForKey(QLatin1String(c.key)), c.kept) << c.key << " " << c.stored;
        EXPECT_EQ(notes.posted.size(), 1u) << "the item must follow the corrected value";
        store->setInteger(QLatin1String(c.key), c.kept);
    }
}

TEST_F(ModuleTabsTest, PopUpsStoreEntryNumbersAndShowOutOfRangeValuesInRange)
{
    store->setInteger("Network_Graph_Mode", 99);
    NetworkTabViewController tab(*store, center);
    test::NotificationRecorder notes(center);
    auto *graph = control<QComboBox>(tab, "Network_Graph_Mode");
    EXPECT_EQ(graph->currentIndex(), graph->count() - 1);
    auto *labels = control<QComboBox>(tab, "Network_UdLabel_Mode");
    EXPECT_EQ(labels->itemText(0), "Up / Dw");
    labels->activated(2);
    EXPECT_EQ(store->integerForKey("Network_UdLabel_Mode"), 3);
    ASSERT_EQ(notes.posted.size(), 1u);
    EXPECT_EQ(notes.last().name, "NetworkModuleNotif");
}

// "KB/s（Bytes）" must not show as boxes where the font has no full-width brackets; what is
// stored is still the entry's number.
TEST_F(ModuleTabsTest, UnitEntriesShowOnlyCharactersTheirFontCanDraw)
{
    NetworkTabViewController tab(*store, center);
    auto *unit = control<QComboBox>(tab, "Network_Text_Mode");
    ASSERT_EQ(unit->count(), 2);
    const QFontMetrics metrics(unit->font());
    for (int i = 0; i < unit->count(); ++i)
        for (const char32_t c : unit->itemText(i).toUcs4())
            EXPECT_TRUE(metrics.inFontUcs4(c)) << "entry " << i << " has U+" << std::hex << static_cast<unsigned>(c);
    EXPECT_TRUE(unit->itemText(0).startsWith(QStringLiteral("KB/s")));
    unit->activated(1);
    EXPECT_EQ(store->integerForKey("Network_Text_Mode"), 2);
    unit->activated(0);
    EXPECT_EQ(store->integerForKey("Network_Text_Mode"), 1);
}

TEST_F(ModuleTabsTest, TemperatureChoicesAnnounceTheMenuRowsChange)
{
    store->setString("Temp_ShowTempOnMenu", "CPU Die");
    TempTabViewController tab(*store, center);
    tab.setPopUpTexts("Temp_ShowTempOnMenu", {"GPU", "<b>Board & Case</b>"});
    auto *shown = control<QComboBox>(tab, "Temp_ShowTempOnMenu");
    // A stored sensor that is not there now is still shown rather than replaced.
    EXPECT_EQ(shown->currentText(), "CPU Die");
    test::NotificationRecorder notes(center);
    const int hostile = shown->findText("<b>Board & Case</b>");
    ASSERT_GE(hostile, 0);
    shown->activated(hostile);
    EXPECT_EQ(store->stringForKey("Temp_ShowTempOnMenu"), "<b>Board & Case</b>");
    EXPECT_TRUE(notes.last().info.value("ChangeMenuCount").toBool());
    EXPECT_TRUE(notes.last().info.value("ModuleItemRefreshNow").toBool());
}

TEST_F(ModuleTabsTest, ColourWellsAnnounceColoursWithTheirOpacity)
{
    CpuTabViewController tab(*store, center);
    tab.setMyDefaults({{"A01", QColor(10, 20, 30)}});
    tab.resetViews(-1);
    auto *well = control<ColorWell>(tab, "A01");
    EXPECT_EQ(well->color(), QColor(10, 20, 30));
    test::NotificationRecorder notes(center);
    well->openDialog();
    ASSERT_NE(well->dialog(), nullptr);
    EXPECT_TRUE(well->dialog()->testOption(QColorDialog::ShowAlphaChannel));
    EXPECT_FALSE(well->dialog()->isModal()) << "the monitor keeps drawing while a colour is chosen";
    const QColor halfRed(255, 0, 0, 128);
    well->dialog()->setCurrentColor(halfRed);
    ASSERT_FALSE(notes.posted.empty());
    EXPECT_EQ(notes.last().info.value("ChangeColorKey").toString(), "A01");
    EXPECT_EQ(notes.last().info.value("ChangeColorVal").value<QColor>(), halfRed);
    EXPECT_EQ(notes.last().info.value("ChangeColorVal").value<QColor>().alpha(), 128);
    EXPECT_TRUE(notes.last().info.value("ModuleDefaultReload").toBool());
    // The colour is the application's to store, not the tab's.
    EXPECT_FALSE(store->contains("A01"));
    // Cancelling gives the colour the well had before.
    well->dialog()->reject();
    EXPECT_EQ(notes.last().info.value("ChangeColorVal").value<QColor>(), QColor(10, 20, 30));
    EXPECT_EQ(well->color(), QColor(10, 20, 30));
}

TEST_F(ModuleTabsTest, DraggedOrderIsStoredAndAnnounced)
{
    CpuTabViewController tab(*store, center);
    tab.resize(800, 700);
    tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
    test::NotificationRecorder notes(center);
    test::dragBy(tab.elementRow()->view(4), -600);
    QVariantList expected{qint64(4), qint64(1), qint64(2), qint64(3)};
    EXPECT_EQ(store->arrayForKey("CpuItemSortArray"), expected);
    ASSERT_EQ(notes.posted.size(), 1u);
    EXPECT_EQ(notes.last().name, "CpuModuleNotif");
}

TEST_F(ModuleTabsTest, FontMenusSendOnlyWhatChanged)
{
    TopTabViewController tab(*store, center);
    tab.setMyDefaults({{"General", QVariantMap{{"_FontName", "DejaVu Sans Mono"}, {"_FontStyle", "Bold"},
                                               {"_FontPostScriptName", "DejaVuSansMono-Bold"},
                                               {"_FontAdjust", qint64(3)}, {"_FontSizeDiff", qint64(-1)}}}});
    tab.rebuildFontMenus();
    tab.resetViews(-1);
    auto *family = control<QComboBox>(tab, "_FontName");
    auto *style = control<QComboBox>(tab, "_FontStyle");
    auto *adjust = control<QComboBox>(tab, "_FontAdjust");
    auto *size = control<QComboBox>(tab, "_FontSizeDiff");
    EXPECT_EQ(family->currentText(), "DejaVu Sans Mono");
    EXPECT_EQ(style->currentText(), "Bold");
    EXPECT_EQ(adjust->count(), 21);
    EXPECT_EQ(adjust->currentText(), "+3px");
    EXPECT_EQ(size->count(), 7);
    EXPECT_EQ(size->currentText(), "-1pt");

    test::NotificationRecorder notes(center);
    size->activated(size->findText("+2pt"));
    ASSERT_EQ(notes.posted.size(), 1u);
    const QVariantMap sizeOnly = notes.last().info;
    EXPECT_EQ(notes.last().name, "GeneralModuleNotif");
    EXPECT_TRUE(sizeOnly.value("FontChanged").toBool());
    EXPECT_TRUE(sizeOnly.value("ModuleDefaultReload").toBool());
    EXPECT_EQ(sizeOnly.value("_FontSizeDiff").toLongLong(), 2);
    EXPECT_EQ(sizeOnly.value("_FontAdjust").toLongLong(), -9999);
    EXPECT_EQ(sizeOnly.value("_FontName").toString(), "-");
    EXPECT_EQ(sizeOnly.value("_FontPostScriptName").toString(), "-");

    // A new family resets both numbers and shows the adjustment as "±0px".
    const int sans = family->findText("DejaVu Sans");
    ASSERT_GE(sans, 0);
    family->activated(sans);
    const QVariantMap familyChange = notes.last().info;
    EXPECT_EQ(familyChange.value("_FontName").toString(), "DejaVu Sans");
    EXPECT_FALSE(familyChange.value("_FontPostScriptName").toString().isEmpty());
    EXPECT_EQ(familyChange.value("_FontAdjust").toLongLong(), 0);
    EXPECT_EQ(familyChange.value("_FontSizeDiff").toLongLong(), 0);
    EXPECT_EQ(adjust->currentText(), QStringLiteral("±0px"));
    EXPECT_EQ(style->findText(familyChange.value("_FontStyle").toString()), style->currentIndex());
}

TEST_F(ModuleTabsTest, SignedMenuTitles)
{
    struct Case {
        int value;
        const char *unit;
        QString title;
    };
    for (const Case &c : {Case{3, "px", "+3px"}, Case{-10, "px", "-10px"}, Case{0, "pt", QStringLiteral("±0pt")},
                          Case{1, "pt", "+1pt"}})
        EXPECT_EQ(TopTabViewController::signedTitle(c.value, QLatin1String(c.unit)), c.title);
}
