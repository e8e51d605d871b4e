INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,FPrice,FDescount)
SELECT FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,FPrice,FDescount  FROM POOrderEntry te WHERE te.FCess=1+16.0 AND (te.FInterID= 501 AND te.FEntryID=2)
UPDATE te SET te.FCess=16.0
,te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxTaxPrice*(100-te.FTaxRate)*16.0/((100+16.0)*100),2),
te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+16.0),2),
te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+16.0),ti.FPriceDecimal),
te.FPrice = Round(FAuxTaxPrice * 100 / (100 + 16.0) * t.FExchangeRate, ti.FPriceDecimal)
,te.FDescount=ROUND(te.FAuxQty*te.FAuxTaxPrice*te.FTaxRate/(100+16.0),2)
  FROM POOrderEntry te
INNER JOIN POOrder t ON te.FInterID = t.FInterID
INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID
WHERE te.FCess=1+16.0 AND (te.FInterID= 501 AND te.FEntryID=2)