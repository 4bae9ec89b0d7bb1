// A named path for scripts: Ogre's SimpleSpline through the control points added so far.
#pragma once

#include <OgreSimpleSpline.h>

#include <algorithm>

struct Spline {
  // SimpleSpline indexes past its points for t outside 0..1 and with no points at all.
  Ogre::Vector3 interpolate(float t) const {
    if (curve.getNumPoints() == 0)
      return Ogre::Vector3::ZERO;
    return curve.interpolate(std::clamp(t, 0.0f, 1.0f));
  }

  Ogre::SimpleSpline curve;
};
