// The weekly processes of a run, one function per driver step. Each handles
// all weeks of the run before the next begins; they communicate only through
// the week records, the crop and application records and the run-level
// values of the workspace.
#pragma once

namespace kelmar {
struct Workspace;
}

namespace kelmar::model {

// Crops: derived dry matter and N per plant part of every crop (CropWork).
void ComputeCropWork(Workspace& ws);
// Water: wilting-point and initial water of both layers.
void InitWaterConstants(Workspace& ws);
// Organic matter: pH factor and MinSoilFactor of both layers.
void InitSoilFactors(Workspace& ws);
// Mineral N: the weekly N deposition.
void InitDeposition(Workspace& ws);
// Water: ground-water table, field capacities, maximum capillary rise.
void GroundWater(Workspace& ws);
// Crops: cover, rooting depth, root fraction, intended water uptake.
void CropCover(Workspace& ws);
// Water: the water balance of both layers, temperature and moisture factors.
void WaterBalance(Workspace& ws);
// Organic matter: every topsoil batch and the end pools.
void TopsoilOrganicMatter(Workspace& ws);
// Organic matter: the subsoil trajectory.
void SubsoilOrganicMatter(Workspace& ws);
// Crops: intended N uptake and N fixation.
void CropNitrogenDemand(Workspace& ws);
// Mineral N: the balance of both layers with its cumulative columns.
void MineralNitrogen(Workspace& ws);
// The crop period rows and the TOTAL row.
void CropPeriods(Workspace& ws);

} // namespace kelmar::model
