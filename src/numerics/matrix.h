#pragma once
// Dense matrices of extended reals made of separately held rows, and Gaussian
// elimination with partial pivoting on an augmented matrix.

#include <vector>

#include "numerics/extended.h"

namespace ltr {

using TRealArray = std::vector<Extended>;
// Row i is M[i]; two rows are exchanged by swapping their handles (O(1)).
using TRealMatr = std::vector<TRealArray>;

// Resizes M to Rows rows of Cols elements; new elements are 0, existing ones
// inside the new shape keep their values.
void CreateMatr(TRealMatr& M, int Rows, int Cols);

// Empties rows 0..Rows-1, then the matrix itself.
void FreeMatr(TRealMatr& M, int Rows);

// Copies Cols elements of rows 0..Rows-1 of Src into the existing rows of Dst.
// Returns false, copying nothing, when the shapes (checked on row 0) differ.
bool CopyMatr(const TRealMatr& Src, TRealMatr& Dst, int Rows, int Cols);

// Solves the N x N system held in columns 0..N-1 of M with the right-hand side
// in column N, writing X[0..N-1]. M is reduced in place (rows exchanged by
// handle). Returns false at once on an exactly zero pivot column; X is then
// left as it was. Allocates nothing.
bool SolveGauss(TRealMatr& M, int N, TRealArray& X);

// The elimination of SolveGauss split in two, for a system whose coefficients
// stay while its right-hand side changes: FactorGauss runs the elimination on
// the coefficient columns once and keeps the pivot rows, the multipliers and
// the reduced rows; SolveFactored then replays exactly the same operations on
// a right-hand side and back-substitutes. Every value computed is the value
// SolveGauss would compute on the whole augmented matrix, in the same order,
// so the solutions are identical to the bit.
struct TGaussFactors {
  int N = 0;
  bool Singular = false;    // an exactly zero pivot column was met
  TRealMatr LU;             // the reduced rows (upper triangle used)
  TRealMatr Multipliers;    // row k: the multipliers of rows k+1.. at step k
  std::vector<int> Pivots;  // the row exchanged with row k at step k
  TRealArray Rhs;           // scratch for the right-hand side
};

// Factors the N x N coefficient part (columns 0..N-1 of rows 0..N-1) of M.
void FactorGauss(const TRealMatr& M, int N, TGaussFactors& F);

// Solves with the right-hand side in column N of M (M is only read), writing
// X[0..N-1]. False, with X untouched, when the factored system is singular.
// Allocates nothing.
bool SolveFactored(TGaussFactors& F, const TRealMatr& M, TRealArray& X);

}  // namespace ltr
