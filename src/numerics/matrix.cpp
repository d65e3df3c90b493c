#include "numerics/matrix.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ltr {

void CreateMatr(TRealMatr& M, int Rows, int Cols) {
  M.resize(static_cast<size_t>(std::max(Rows, 0)));
  for (int i = 0; i < Rows; ++i) M[i].resize(static_cast<size_t>(std::max(Cols, 0)), 0.0L);
}

void FreeMatr(TRealMatr& M, int Rows) {
  const int n = std::min<int>(Rows, static_cast<int>(M.size()));
  for (int i = 0; i < n; ++i) {
    M[i].clear();
    M[i].shrink_to_fit();
  }
  M.clear();
  M.shrink_to_fit();
}

bool CopyMatr(const TRealMatr& Src, TRealMatr& Dst, int Rows, int Cols) {
  if (static_cast<int>(Src.size()) != Rows) return false;
  if (Rows > 0 && static_cast<int>(Src[0].size()) != Cols) return false;
  if (static_cast<int>(Dst.size()) != Rows) return false;
  if (Rows > 0 && static_cast<int>(Dst[0].size()) != Cols) return false;
  for (int i = 0; i < Rows; ++i) std::copy_n(Src[i].begin(), Cols, Dst[i].begin());
  return true;
}

namespace {

// Row with the strictly largest magnitude in column k from row k down; ties
// keep the earlier row.
int FindPivotRow(const TRealMatr& M, int N, int k, Extended& best) {
  int p = k;
  best = std::fabs(M[k][k]);
  for (int i = k + 1; i < N; ++i) {
    const Extended a = std::fabs(M[i][k]);
    if (a > best) {
      best = a;
      p = i;
    }
  }
  return p;
}

}  // namespace

bool SolveGauss(TRealMatr& M, int N, TRealArray& X) {
  for (int k = 0; k < N; ++k) {
    Extended best;
    const int p = FindPivotRow(M, N, k, best);
    if (best == 0.0L) return false;
    if (p != k) std::swap(M[k], M[p]);
    const TRealArray& pivotRow = M[k];
    const Extended pivot = pivotRow[k];
    for (int i = k + 1; i < N; ++i) {
      TRealArray& row = M[i];
      const Extended f = -row[k] / pivot;
      for (int j = k; j <= N; ++j) row[j] = f * pivotRow[j] + row[j];
    }
  }
  for (int i = N - 1; i >= 0; --i) {
    const TRealArray& row = M[i];
    Extended s = row[N];
    for (int j = i + 1; j < N; ++j) s = s - row[j] * X[j];
    X[i] = s / row[i];
  }
  return true;
}

void FactorGauss(const TRealMatr& M, int N, TGaussFactors& F) {
  F.N = N;
  F.Singular = false;
  CreateMatr(F.LU, N, N);
  for (int i = 0; i < N; ++i) std::copy_n(M[i].begin(), N, F.LU[i].begin());
  F.Multipliers.resize(static_cast<size_t>(std::max(N, 0)));
  for (int k = 0; k < N; ++k) F.Multipliers[k].assign(static_cast<size_t>(N - k - 1), 0.0L);
  F.Pivots.assign(static_cast<size_t>(std::max(N, 0)), 0);
  F.Rhs.assign(static_cast<size_t>(std::max(N, 0)), 0.0L);
  TRealMatr& A = F.LU;
  for (int k = 0; k < N; ++k) {
    Extended best;
    const int p = FindPivotRow(A, N, k, best);
    if (best == 0.0L) {
      F.Singular = true;
      return;
    }
    if (p != k) std::swap(A[k], A[p]);
    F.Pivots[k] = p;
    const TRealArray& pivotRow = A[k];
    const Extended pivot = pivotRow[k];
    TRealArray& multipliers = F.Multipliers[k];
    for (int i = k + 1; i < N; ++i) {
      TRealArray& row = A[i];
      const Extended f = -row[k] / pivot;
      // Column k itself is never read again, so it is left as it is.
      for (int j = k + 1; j < N; ++j) row[j] = f * pivotRow[j] + row[j];
      multipliers[i - k - 1] = f;
    }
  }
}

bool SolveFactored(TGaussFactors& F, const TRealMatr& M, TRealArray& X) {
  if (F.Singular) return false;
  const int N = F.N;
  TRealArray& b = F.Rhs;
  for (int i = 0; i < N; ++i) b[i] = M[i][N];
  const TRealMatr& A = F.LU;
  for (int k = 0; k < N; ++k) {
    const int p = F.Pivots[k];
    if (p != k) std::swap(b[k], b[p]);
    const Extended bk = b[k];
    const TRealArray& multipliers = F.Multipliers[k];
    for (int i = k + 1; i < N; ++i) b[i] = multipliers[i - k - 1] * bk + b[i];
  }
  for (int i = N - 1; i >= 0; --i) {
    const TRealArray& row = A[i];
    Extended s = b[i];
    for (int j = i + 1; j < N; ++j) s = s - row[j] * X[j];
    X[i] = s / row[i];
  }
  return true;
}

}  // namespace ltr
