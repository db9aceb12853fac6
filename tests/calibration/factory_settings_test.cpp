// The factory window's model against the simulated instrument (access, captions, the offset
// re-calibration's seven writes in order and its failures), the technical password, and the
// tool settings stored into the project.
#include "calibration/factory_settings.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calibration/tool_settings.h"
#include "device/connection.h"
#include "procedure_bench.h"

namespace movexa {
namespace {

using test::ProcedureBench;

// Register numbers of the register-write frames the instrument received, in order.
std::vector<int> WrittenRegisters(const std::string& bytes) {
  std::vector<int> out;
  for (size_t i = 0; i + 5 <= bytes.size(); ++i) {
    if (static_cast<uint8_t>(bytes[i]) == 0xFF && static_cast<uint8_t>(bytes[i + 1]) == 0x80 &&
        static_cast<uint8_t>(bytes[i + 4]) == 0xF0) {
      const int reg = static_cast<uint8_t>(bytes[i + 2]);
      if (out.empty() || out.back() != reg) out.push_back(reg);
      i += 4;
    }
  }
  return out;
}

TEST(FactorySettings, AccessCaptionsAndPassword) {
  FakeHost fake;
  fake.dialogs.Lenient();
  EXPECT_TRUE(FactoryAccessAllowed(false, false, fake.dialogs));
  EXPECT_FALSE(FactoryAccessAllowed(true, false, fake.dialogs));
  EXPECT_FALSE(FactoryAccessAllowed(false, true, fake.dialogs));
  EXPECT_EQ(fake.dialogs.Messages(),
            std::vector<std::string>(2, "Only possible to access in: ONLINE mode and STOP experiment"));
  EXPECT_EQ(SerialCaption(120), "SERIAL : MOVX00120");
  FactoryTempCalibration f;
  EXPECT_EQ(CalibrationDateText(f), "NON Calibrated");
  f.valid = true;
  f.month = 3;
  f.year = 4;
  EXPECT_EQ(CalibrationDateText(f), "OK Last Factory Calibration 03/04 [mm/yy]");
  auto regs = FactoryRegisterValues(CivilTime{2026, 12, 8, 1, 0, 0, 0}, -1.26, 0.3);
  EXPECT_EQ(regs, (std::array<int, 7>{0, 12, 26, 1, 13, 44, 1}));  // 300 = 256 + 44

  // The password is typed into a masked box; a wrong one is told, a cancel (empty) is not.
  FakeHost pw;
  pw.dialogs.ExpectInput("Enter Password", "Kilns7395")
      .ExpectInput("Enter Password", "kilns7395")
      .ExpectMessage("Wrong password: the calibration window stays hidden.")
      .ExpectInput("Enter Password", "");
  EXPECT_TRUE(AskTechnicalPassword(pw.dialogs));
  EXPECT_FALSE(AskTechnicalPassword(pw.dialogs));
  EXPECT_FALSE(AskTechnicalPassword(pw.dialogs));
  EXPECT_TRUE(pw.dialogs.Problems().empty());
  for (const auto& shown : pw.dialogs.shown()) {
    if (shown.kind == ScriptedDialogs::Kind::kInput) {
      EXPECT_TRUE(shown.secret);
    }
  }
}

TEST(FactorySettings, TheOffsetKeptIsTheOneTheInstrumentStoresInTenths) {
  EXPECT_DOUBLE_EQ(StoredFactoryOffset(-1.06), -1.1);
  EXPECT_DOUBLE_EQ(StoredFactoryOffset(-0.04), 0.0);
  EXPECT_DOUBLE_EQ(StoredFactoryOffset(0.06), 0.1);
  EXPECT_DOUBLE_EQ(StoredFactoryOffset(-2.25), -2.2);  // 22.5 tenths, half to even
}

TEST(FactorySettings, OffsetRecalibrationWritesSevenRegistersInOrder) {
  ProcedureBench b(test::NoiselessConfig());
  b.rig.connection.factory = {true, 3, 24, 1, -1.5, 0.219};
  FactoryWindow w(b.rig.link);
  EXPECT_EQ(w.message(), "OK Last Factory Calibration 03/24 [mm/yy]");
  const std::optional<double> before = w.ReadTemperature();
  ASSERT_TRUE(before);
  EXPECT_NEAR(*before, 25.0, 0.3);

  b.rig.fake.dialogs.ExpectMessage(
      "invalid Calibration Parameter: value must be between 4\u00B0C and 50\u00B0C");
  EXPECT_FALSE(w.Recalibrate("3,9"));
  EXPECT_TRUE(b.rig.fake.dialogs.Problems().empty());

  ASSERT_TRUE(w.Recalibrate("26,5"));
  const double offset = -1.5 + (26.5 - *before);
  // What the window uses from now on is what the instrument keeps, which is what the next
  // connect reads back.
  EXPECT_DOUBLE_EQ(w.offset(), StoredFactoryOffset(offset));
  EXPECT_DOUBLE_EQ(b.rig.connection.factory.offset, w.offset());
  const FactoryTempCalibration kept = b.rig.connection.factory;
  ReadFactoryCalibration(b.rig.link);
  EXPECT_TRUE(b.rig.connection.factory.valid);
  EXPECT_DOUBLE_EQ(b.rig.connection.factory.offset, kept.offset);
  EXPECT_EQ(WrittenRegisters(b.sim().receivedBytes()),
            (std::vector<int>{200, 201, 202, 203, 204, 205, 206}));
  EXPECT_EQ(b.sim().Register(201), 3);   // the manual clock's March 2024
  EXPECT_EQ(b.sim().Register(202), 24);
  EXPECT_EQ(b.sim().Register(203), offset < 0 ? 1 : 0);
  EXPECT_EQ(b.sim().Register(204), std::lround(std::fabs(offset) * 10));
  EXPECT_EQ(b.sim().Register(205), 219);
  EXPECT_EQ(b.sim().Register(206), 0);
  EXPECT_EQ(w.message(), "OK Last Factory Calibration 03/24 [mm/yy]");
}

TEST(FactorySettings, FailedWriteOrSilentInstrumentLeavesTheOffsetUnchanged) {
  ProcedureBench b(test::NoiselessConfig());
  FactoryWindow w(b.rig.link);  // the connection holds no valid calibration: offset 0
  EXPECT_EQ(w.message(), "NON Calibrated");
  b.sim().DropNextReplies(1 << 20, kModeRegisterWrite);
  b.rig.fake.dialogs.ExpectMessage("Ops...Data Writing ERROR: reg(200)... Check COM and Try again");
  EXPECT_FALSE(w.Recalibrate("25"));
  EXPECT_EQ(w.offset(), 0);
  EXPECT_FALSE(b.rig.connection.factory.valid);
  EXPECT_EQ(WrittenRegisters(b.sim().receivedBytes()), std::vector<int>{200});
  EXPECT_TRUE(b.rig.fake.dialogs.Problems().empty());

  b.sim().SetSilent(true);
  b.rig.fake.dialogs.Lenient();
  EXPECT_FALSE(w.Recalibrate("25"));
  EXPECT_EQ(w.offset(), 0);
  EXPECT_EQ(w.Tick(), "0.0");  // no reading: the box keeps its text
}

TEST(ToolSettings, BoxesStoreIntoTheProjectAndTheMenusSetTheirFlags) {
  FakeHost fake;
  fake.dialogs.Lenient();
  ProjectSettings project;
  BoxCheck on = LeaveLightBox(project, LightBox::kOnHour, "7", fake.dialogs);
  EXPECT_EQ(on.text, "07");
  EXPECT_EQ(project.Mn[kMn2][kTime_ON], 7);
  LeaveLightBox(project, LightBox::kOffHour, "24", fake.dialogs);
  EXPECT_EQ(project.Mn[kMn2][kTime_OFF], 21);
  LeaveLightBox(project, LightBox::kPulseOn, "1,5", fake.dialogs);
  EXPECT_EQ(project.Mn[kMn2][kPulseOnX10], 15);
  LeaveLightBox(project, LightBox::kPulseTimes, "3", fake.dialogs);
  EXPECT_FALSE(LightHourBoxesEnabled(project));
  LeaveLightBox(project, LightBox::kPulseTimes, "100", fake.dialogs);
  EXPECT_TRUE(LightHourBoxesEnabled(project));
  LeaveTemperatureBox(project, "60", fake.dialogs);
  EXPECT_EQ(project.Mn[kMn3][kTempx10], 200);
  EXPECT_EQ(fake.dialogs.Messages(), (std::vector<std::string>{"Invalid value: 0 to 23",
                                                               "Invalid value: 0-99",
                                                               "Invalid value: 5.0 to 50.0"}));
  OutputState outputs;
  SetLightCycleEnabled(project, outputs, true);
  SetThermostatEnabled(project, outputs, true);
  EXPECT_EQ(project.Mn[kMn2][kLightEnable], 1);
  EXPECT_EQ(project.Mn[kMn3][kTempEnable], 1);

  MainControls main;
  project.Mn[kMn1][kEnab_Cal] = 0;
  project.Menu[kMenuCal] = 0;
  ManualCalibrationControls manual = ApplyManualCalibration(true, project, main);
  EXPECT_TRUE(manual.readBlankVisible);
  EXPECT_EQ(project.Mn[kMn1][kEnab_Cal], 0);
  manual = ApplyManualCalibration(false, project, main);
  EXPECT_FALSE(manual.checkBoxesEnabled);
  EXPECT_TRUE(main.autoCalibration && main.autoZero);
  EXPECT_EQ(project.Mn[kMn1][kEnab_Cal], 1);
  EXPECT_EQ(project.Menu[kMenuCal], 1);
  SetAutoZero(project, main, false);
  EXPECT_EQ(project.Mn[kMn1][kEnab_Zero], 0);

  LeaveSnrBox(project, "2.5", fake.dialogs);
  EXPECT_EQ(project.Mn[kMn1][kSNRx10], 25);
  EXPECT_EQ(project.Mn[kMn1][kOrganism], 2);
  ChooseOrganism(project, SnrBoxState{}, 1);
  EXPECT_EQ(project.Mn[kMn1][kOrganism], 1);
}

}  // namespace
}  // namespace movexa
