// SPDX-License-Identifier: GPL-3.0-or-later
// A position or direction in space: AU on the ICRF (J2000 equatorial) axes.
#pragma once

#include <cmath>

namespace orbelux::efemerides {

struct Vector3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

inline Vector3 operator+(const Vector3& a, const Vector3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3 operator-(const Vector3& a, const Vector3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3 operator*(double k, const Vector3& v) { return {k * v.x, k * v.y, k * v.z}; }
inline double Producto(const Vector3& a, const Vector3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3 ProductoVectorial(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Modulo(const Vector3& v) { return std::sqrt(Producto(v, v)); }

}  // namespace orbelux::efemerides
