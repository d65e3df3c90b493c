#include "numerics/runge_kutta.h"

namespace ltr {

void InitRungeKutta(TRungeKutta& rk, int N) {
  const int n = N > 0 ? N : 0;
  rk.RKStages.resize(n);
  for (int i = 0; i < n; ++i) rk.RKStages[i].resize(4);
  rk.RKTemp.resize(n);
}

void DoneRungeKutta(TRungeKutta& rk, int N) {
  rk.RKTemp.clear();
  rk.RKTemp.shrink_to_fit();
  const int rows = N < static_cast<int>(rk.RKStages.size()) ? N : static_cast<int>(rk.RKStages.size());
  for (int i = 0; i < rows; ++i) {
    rk.RKStages[i].clear();
    rk.RKStages[i].shrink_to_fit();
  }
  rk.RKStages.clear();
  rk.RKStages.shrink_to_fit();
}

void RungeKuttaStep(TRungeKutta& rk, double& t, TRealArray& Y, const TFunctionArray& F, int N, double h) {
  TRealMatr& k = rk.RKStages;
  TRealArray& temp = rk.RKTemp;
  const Extended eh = h;
  const double tHalf = ToDouble(t + eh / 2);
  const double tFull = ToDouble(t + eh);

  for (int i = 0; i < N; ++i) k[i][0] = eh * F[i](Y, N, t);
  for (int i = 0; i < N; ++i) temp[i] = Y[i] + k[i][0] / 2;
  for (int i = 0; i < N; ++i) k[i][1] = eh * F[i](temp, N, tHalf);
  for (int i = 0; i < N; ++i) temp[i] = Y[i] + k[i][1] / 2;
  for (int i = 0; i < N; ++i) k[i][2] = eh * F[i](temp, N, tHalf);
  for (int i = 0; i < N; ++i) temp[i] = Y[i] + k[i][2];
  for (int i = 0; i < N; ++i) k[i][3] = eh * F[i](temp, N, tFull);
  for (int i = 0; i < N; ++i) Y[i] = Y[i] + ((k[i][1] + k[i][2]) * 2 + k[i][0] + k[i][3]) / 6;
  t = tFull;
}

}  // namespace ltr
