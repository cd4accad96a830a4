#pragma once
// What the install logic needs of a progress bar. Each call is handled before it returns.
namespace plat {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetRange(int low, int high) = 0;  // PBM_SETRANGE
  virtual void SetStep(int step) = 0;            // PBM_SETSTEP
  virtual void SetPos(int pos) = 0;              // PBM_SETPOS
  virtual void StepIt() = 0;                     // PBM_STEPIT: wraps past the upper bound
};

}  // namespace plat
