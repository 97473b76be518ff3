// The job's steps around the engine.
#include <stdexcept>
#include <string>

#include "CarveJob.h"

namespace carvelo {

TCarveWorker::TCarveWorker(const TCarveJob& Job, TCarveControl Control) : FJob(Job), FControl(std::move(Control)) {
  if (Job.WorkWidth < 1 || Job.WorkHeight < 1) throw std::invalid_argument("the working picture is empty");
  if (Job.TargetWidth < 1 || Job.TargetHeight < 1) throw std::invalid_argument("the target size is empty");
  if (Job.Working == nullptr || Job.Target == nullptr) throw std::invalid_argument("the job has no picture");
  if (Job.UseMask && Job.Mask == nullptr) throw std::invalid_argument("the masked job has no mask");
  if (!Job.Settings.InRange()) throw std::invalid_argument("a carving setting is out of its range");
  RequireBitmapCovers(*Job.Working, Job.WorkWidth, Job.WorkHeight, "the working picture");
  if (Job.UseMask) RequireBitmapCovers(*Job.Mask, Job.WorkWidth, Job.WorkHeight, "the mask");
  RequireBitmapCovers(*Job.Target, Job.TargetWidth, Job.TargetHeight, "the result picture");
}

void TCarveWorker::Begin() {
  FWeights = GML_Int(FJob.WorkWidth, FJob.WorkHeight);
  FWorkWeights = GML_Int(FJob.WorkWidth, FJob.WorkHeight);
}

void TCarveWorker::ReadMask() { carvelo::ReadMask(*FJob.Mask, FJob.Settings.MasqueWeight, FWeights); }

void TCarveWorker::ReadSource() {
  FSource = GML_Color(FJob.WorkWidth, FJob.WorkHeight);
  carvelo::ReadSource(*FJob.Working, FSource);
}

bool TCarveWorker::Carve() {
  FResult = GML_Color(FJob.TargetWidth, FJob.TargetHeight);
  const std::atomic<bool>* Stop = FControl.Stop;
  TGEM Gem(FControl);
  return RunEngineSequence(Gem, FSource, FWeights, FJob.UseMask, FJob.TargetWidth, FJob.TargetHeight,
                           FJob.Settings.Stretch, FJob.Settings.Filter, FWorkWeights, FResult, Stop);
}

void TCarveWorker::WriteResult() { carvelo::WriteResult(FResult, *FJob.Target); }

void TCarveWorker::End() {
  FWeights = GML_Int();
  FWorkWeights = GML_Int();
  FSource = GML_Color();
  FResult = GML_Color();
}

bool TCarveWorker::Run() {
  Begin();
  if (FJob.UseMask) ReadMask();
  ReadSource();
  const bool Done = Carve();
  if (Done) WriteResult();
  End();
  return Done;
}

}  // namespace carvelo
