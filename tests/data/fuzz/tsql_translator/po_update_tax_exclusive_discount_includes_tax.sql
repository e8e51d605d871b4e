INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FAuxTaxPrice,FTaxPrice,FAuxPriceDiscount,FPriceDiscount,FTaxAmount,FAllAmount,FDescount)
SELECT FInterID,FEntryID,FCess,FAuxTaxPrice,FTaxPrice,FAuxPriceDiscount,FPriceDiscount,FTaxAmount,FAllAmount,FDescount FROM POOrderEntry te WHERE te.FCess=1+10.0 AND (te.FInterID= 501 AND te.FEntryID=2)
UPDATE te SET te.FCess=10.0,te.FAuxTaxPrice=ROUND(te.FAuxPrice*(100+10.0)/100,ti.FPriceDecimal),
te.FTaxPrice=ROUND(te.FAuxPrice*(100+10.0)/100*t.FExchangeRate,ti.FPriceDecimal),
te.FAuxPriceDiscount=ROUND(ROUND(te.FAuxPrice*(100+10.0)/100,ti.FPriceDecimal)*(1-te.FTaxRate/100),ti.FPriceDecimal),
te.FPriceDiscount=ROUND(ROUND(te.FAuxPrice*(100+10.0)/100,ti.FPriceDecimal)*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),
te.FAmount=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+10.0)/100,ti.FPriceDecimal)*(100-te.FTaxRate)/(100+10.0),2),
te.FDescount=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+10.0)/100,ti.FPriceDecimal)*te.FTaxRate/100,2),
te.FTaxAmount=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+10.0)/100*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),2) - ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+10.0)/100,ti.FPriceDecimal)*(100-te.FTaxRate)/(100+10.0),2),
te.FAllAmount = ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+10.0)/100*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),2)
  FROM POOrderEntry te
INNER JOIN POOrder t ON te.FInterID = t.FInterID
INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID
WHERE te.FCess=1+10.0 AND (te.FInterID= 501 AND te.FEntryID=2)