// The crop dialog over loaded binary data: its counts, which removals it offers, what OK
// removes and what Cancel leaves.
#include "shell/crop_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "shell/data_window.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

// Five characters over four OTUs: 1 is monomorphic (1 1 1 ?), 2 uninformative (0 1 1 1),
// 3 neither (0 0 1 1), 4 monomorphic (0 0 ? ?), 5 uninformative (1 ? 0 0). Characters 1, 4
// and 5 and the OTUs Beta, Gamma and Delta have missing entries.
const QByteArray kScreeningData =
    " 4 5\n"
    "Alpha       10001\n"
    "Beta        1100?\n"
    "Gamma       111?0\n"
    "Delta       ?11?0\n";

class CropTest : public ShellTest {
 protected:
  CropForm* OpenCrop() {
    Action("mnuCrop")->trigger();
    return window->findChild<CropForm*>();
  }
  void Press(CropForm* form, const char* button) {
    form->findChild<QPushButton*>(button)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

TEST_F(CropTest, Opening_ShowsTheFourCountsAndOffersOnlyWhatWouldRemoveSomething) {
  OpenBinary(WriteFile("s.phy", kScreeningData));
  CropForm* form = OpenCrop();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), "Crop");
  EXPECT_EQ(form->CountsText(),
            "Number of monomorphic characters: 2\n"
            "Number of uninformative characters: 2\n"
            "Number of characters with missing data: 3\n"
            "Number of OTUs with missing data: 3\n");
  const char* captions[] = {"Remove monomorphic characters", "Remove uninformative characters",
                            "Remove characters with missing data", "Remove OTUs with missing data"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(form->Check(i)->text(), captions[i]);
    EXPECT_TRUE(form->Check(i)->isEnabled());
    EXPECT_FALSE(form->Check(i)->isChecked());
  }

  // "Crop..." again only brings the open dialog forward, with what it shows.
  form->Check(0)->setChecked(true);
  EXPECT_EQ(OpenCrop(), form);
  EXPECT_EQ(window->findChildren<CropForm*>().size(), 1);
  EXPECT_TRUE(form->Check(0)->isChecked());

  // Cancel changes nothing; the next opening starts unchecked.
  Press(form, "Command2");
  EXPECT_EQ(data.NChar, 5);
  EXPECT_EQ(data.NOtu, 4);
  form = OpenCrop();
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->Check(0)->isChecked());
}

TEST_F(CropTest, CleanData_DisablesEveryBox) {
  OpenBinary(WriteFile("clean.phy",
                       " 4 2\nA           01\nB           01\nC           10\n"
                       "D           10\n"));
  CropForm* form = OpenCrop();
  ASSERT_NE(form, nullptr);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(form->Check(i)->isEnabled()) << i;
}

TEST_F(CropTest, Ok_RemovesInOrderThenUpdatesTheStatusBarAndDataWindow) {
  OpenBinary(WriteFile("s.phy", kScreeningData));
  const QString fileText = window->DataWindow().Text();
  CropForm* form = OpenCrop();
  form->Check(0)->setChecked(true);
  Press(form, "Command1");
  EXPECT_EQ(window->findChild<CropForm*>(), nullptr);
  // Characters 1 and 4 went; 2, 3 and 5 are left in their order.
  ASSERT_EQ(data.NChar, 3);
  EXPECT_EQ(data.Matrix(1, 1), 0.0f);
  EXPECT_EQ(data.Matrix(1, 2), 0.0f);
  EXPECT_EQ(data.Matrix(1, 3), 1.0f);
  EXPECT_EQ(window->CharPanelText(), "#Char = 3");
  EXPECT_EQ(window->OtuPanelText(), "#Otu = 4");
  // The data window still shows the file as stored.
  EXPECT_EQ(window->DataWindow().Text(), fileText);

  // Boxes 2 and 3 together: the characters with missing entries go, so no OTU is left to go.
  form = OpenCrop();
  form->Check(2)->setChecked(true);
  form->Check(3)->setChecked(true);
  Press(form, "Command1");
  EXPECT_EQ(data.NOtu, 4);
  EXPECT_EQ(data.NChar, 2);  // the former character 5 had a missing entry

  // OTUs with missing data, on a fresh copy of the file.
  OpenBinary(WriteFile("s2.phy", kScreeningData));
  form = OpenCrop();
  form->Check(3)->setChecked(true);
  Press(form, "Command1");
  ASSERT_EQ(data.NOtu, 1);
  EXPECT_EQ(data.OtuName[1], "Alpha       ");
  EXPECT_EQ(window->OtuPanelText(), "#Otu = 1");

  // OK with nothing checked removes nothing but still rewrites the panels.
  OpenBinary(WriteFile("s3.phy", kScreeningData));
  form = OpenCrop();
  window->findChild<QLabel*>("Panel2")->setText("stale");
  Press(form, "Command1");
  EXPECT_EQ(data.NChar, 5);
  EXPECT_EQ(window->OtuPanelText(), "#Otu = 4");
}

}  // namespace
}  // namespace marbleset::shell::testing
