// Fixture of the calibration procedure tests: the in-process simulated instrument on a loopback
// port with a manual clock, a peer in front of it that counts the frames it receives, a panel
// that records what it was asked to show, and a context whose acquisition runs until a test (or
// the procedure) stops it.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/calibration_procedures.h"
#include "device/device_rig.h"
#include "support/test_support.h"

namespace movexa::test {

// Forwards everything to the simulator and counts the frames it passes, by mode and code.
class CountingPeer : public SerialPeer {
 public:
  explicit CountingPeer(SerialPeer& inner) : inner_(inner) {}
  void Receive(std::string_view bytes, int64_t nowUs) override;
  size_t Collect(std::string& out, size_t max, int64_t nowUs) override {
    return inner_.Collect(out, max, nowUs);
  }
  int64_t NextArrivalUs() override { return inner_.NextArrivalUs(); }
  void DiscardArrived(int64_t nowUs) override { inner_.DiscardArrived(nowUs); }

  std::array<int, 256> registerWrites{};  // frames FF 80 r v F0, by register
  std::array<int, 256> commands{};        // frames FF 00 code arg F0, by code

 private:
  SerialPeer& inner_;
};

class RecordingPanel : public CalibrationPanel {
 public:
  void ShowPanel(std::string_view caption) override { captions.emplace_back(caption); }
  void HidePanel() override { ++hides; }
  void SetProgressScale(double scaleMax) override { scales.push_back(scaleMax); }
  void SetProgressBackground(int red, int green, int blue) override {
    background = {red, green, blue};
  }
  void ClearProgress() override { ++clears; }
  void DrawProgress(double x) override { draws.push_back(x); }

  std::vector<std::string> captions;
  int hides = 0;
  std::vector<double> scales;
  std::array<int, 3> background{-1, -1, -1};
  int clears = 0;
  std::vector<double> draws;
};

struct ProcedureBench {
  // The simulator configured by `config` on COM4, the plate format `plate` of the installation
  // data, run buffers of 500 samples per bin, an empty application folder.
  explicit ProcedureBench(sim::SimConfig config = {}, std::string_view plate = "w96f");

  sim::SimInstrument& sim() { return rig.instrument; }
  // The texts shown in the panel's status label, in order.
  std::vector<std::string> StatusTexts() const;
  std::vector<std::string> Messages() const { return rig.fake.dialogs.Messages(); }
  // Even channels the plate format uses.
  std::vector<int> UsedEvenChannels() const;

  SimRig rig;
  CountingPeer counter{rig.instrument};
  TempDir app;
  CalibrationTable table;
  ProjectSettings project;
  PlateGeometry geometry;
  WellMap wells;
  RunBuffers buffers;
  RecordingPanel panel;
  bool active = true;  // the acquisition is running
  int stops = 0;       // stopAcquisition calls
  CalibrationContext ctx{rig.link, table, project, wells, buffers, app.path(), panel,
                         [this] { return active; },
                         [this] {
                           active = false;
                           ++stops;
                         }};
};

// A quiet simulator: no beam noise, so every reading is the beam's settled level.
sim::SimConfig NoiselessConfig();

}  // namespace movexa::test
